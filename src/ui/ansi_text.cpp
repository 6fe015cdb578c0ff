#include "ui/ansi_text.h"

#include "platform/code_page.h"

namespace keydesk {

QString FromAnsi(std::string_view text) {
  const std::u16string unicode = UnicodeFromAnsi(text);
  return QString::fromUtf16(unicode.data(), static_cast<qsizetype>(unicode.size()));
}

std::string ToAnsi(const QString& text) {
  return AnsiFromUnicode(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

}  // namespace keydesk
