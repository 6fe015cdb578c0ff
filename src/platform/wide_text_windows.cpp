#include "platform/wide_text_windows.h"

#include "platform/code_page.h"

namespace keydesk {

std::wstring WideFromAnsi(std::string_view text) {
  const std::u16string wide = UnicodeFromAnsi(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string AnsiFromWide(std::wstring_view text) {
  return AnsiFromUnicode(std::u16string(text.begin(), text.end()));
}

std::optional<std::string> ExactAnsiFromWide(std::wstring_view text) {
  const std::string ansi = AnsiFromWide(text);
  // "?" stands for a character that has none; a real "?" converts back to itself.
  if (UnicodeFromAnsi(ansi) != std::u16string(text.begin(), text.end())) return std::nullopt;
  return ansi;
}

std::string SystemErrorText(DWORD error, std::string_view insert) {
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
  const std::wstring wideInsert = WideFromAnsi(insert);
  std::wstring filled;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'9') {
      if (text[i + 1] == L'1') filled += wideInsert;
      ++i;
      // A placeholder may carry a format ("%1!s!").
      if (i + 1 < text.size() && text[i + 1] == L'!') {
        const size_t end = text.find(L'!', i + 2);
        if (end != std::wstring::npos) i = end;
      }
    } else {
      filled += text[i];
    }
  }
  return AnsiFromUnicode(std::u16string(filled.begin(), filled.end()));
}

}  // namespace keydesk
