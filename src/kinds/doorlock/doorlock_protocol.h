#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace keydesk {

namespace door {

// The door lock response record. Texts are code page 936.
struct TResponse {
  std::string RequestID;  // never assigned: the request's content is not echoed
  std::string ResultCode;
  std::string ResultMessage;
  int64_t CardNo = 0;

  // One line, no declaration, no whitespace between elements, every element present;
  // values escaped (EscapeXmlText).
  std::string ToXml() const;
};

}  // namespace door

// A Boolean field of a request: a number is true unless it is zero; otherwise "True" and
// "False" in any letter case; anything else, the empty text included, is false.
bool ReadBooleanText(std::string_view text);

}  // namespace keydesk
