#include "wire/xml_writer.h"

#include "wire/xml_text.h"

namespace keydesk {

XmlWriter& XmlWriter::Open(std::string_view name) {
  xml_ += '<';
  xml_ += name;
  xml_ += '>';
  return *this;
}

XmlWriter& XmlWriter::Close(std::string_view name) {
  xml_ += "</";
  xml_ += name;
  xml_ += '>';
  return *this;
}

XmlWriter& XmlWriter::Element(std::string_view name, std::string_view value) {
  Open(name);
  xml_ += EscapeXmlText(value);
  return Close(name);
}

XmlWriter& XmlWriter::Fragment(std::string_view xml) {
  xml_ += xml;
  return *this;
}

}  // namespace keydesk
