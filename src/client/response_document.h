#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keydesk::client {

// One element of a response with its text, or with the elements inside it (the police
// kind's guest). Texts are UTF-8.
struct ResponseField {
  std::string Name;
  std::string Value;
  std::vector<ResponseField> Children;
};

// A response as keydesk sent it: the root's name and its elements in order.
struct ResponseDocument {
  std::string RootName;
  std::vector<ResponseField> Fields;

  // The text of the root's element of that name; empty when there is none.
  std::string FieldValue(std::string_view name) const;
};

// Reads a response's bytes (UTF-8, without the NUL) with the same XML reader keydesk reads
// requests with. Raises Error when they are not a document with an element.
ResponseDocument ReadResponseDocument(std::string_view bytes);

}  // namespace keydesk::client
