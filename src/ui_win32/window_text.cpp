#include "ui_win32/window_text.h"

#include "platform/code_page.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

std::wstring WideFromUtf8(const char* utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

std::string WindowAnsi(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(window, wide.data(), length + 1)));
  return AnsiFromUnicode(std::u16string(wide.begin(), wide.end()));
}

void SetWindowAnsi(HWND window, const std::string& ansi) {
  SetWindowTextW(window, WideFromAnsi(ansi).c_str());
}

void SetWindowUtf8(HWND window, const char* utf8) {
  SetWindowTextW(window, WideFromUtf8(utf8).c_str());
}

}  // namespace keydesk
