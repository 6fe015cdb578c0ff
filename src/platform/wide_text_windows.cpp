#include "platform/wide_text_windows.h"

#include "platform/code_page.h"

namespace keydesk {

std::wstring WideFromAnsi(std::string_view text) {
  const std::u16string wide = UnicodeFromAnsi(text);
  return std::wstring(wide.begin(), wide.end());
}

std::optional<std::string> ExactAnsiFromWide(std::wstring_view text) {
  const std::string ansi = AnsiFromUnicode(std::u16string(text.begin(), text.end()));
  // "?" stands for a character that has none; a real "?" converts back to itself.
  if (UnicodeFromAnsi(ansi) != std::u16string(text.begin(), text.end())) return std::nullopt;
  return ansi;
}

std::string SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "Unknown error " + std::to_string(error);
  return AnsiFromUnicode(std::u16string(text.begin(), text.end()));
}

}  // namespace keydesk
