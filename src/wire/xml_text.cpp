#include "wire/xml_text.h"

namespace keydesk {

std::string EscapeXmlText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      default:
        // XML cannot carry control characters but tab, CR and LF, not even as references,
        // and a NUL would end the response frame early: each becomes "?", as a character
        // that a code page cannot hold does.
        escaped +=
            static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n' ? '?' : c;
    }
  }
  return escaped;
}

}  // namespace keydesk
