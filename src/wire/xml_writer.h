#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// Builds a response document on one line: no declaration, no whitespace between elements,
// every value escaped with EscapeXmlText. Texts are code page 936. Not thread-safe.
class XmlWriter {
 public:
  XmlWriter& Open(std::string_view name);
  XmlWriter& Close(std::string_view name);
  // "<name>" + the escaped value + "</name>", also for an empty value.
  XmlWriter& Element(std::string_view name, std::string_view value);
  // A fragment that is already XML, taken as it is.
  XmlWriter& Fragment(std::string_view xml);

  std::string Take() { return std::move(xml_); }

 private:
  std::string xml_;
};

}  // namespace keydesk
