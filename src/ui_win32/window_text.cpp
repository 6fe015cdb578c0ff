#include "ui_win32/window_text.h"

#include "platform/wide_text_windows.h"

namespace keydesk {

std::wstring WideFromUtf8(const std::string& utf8) {
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string AnsiFromUtf8Text(const std::string& utf8) { return AnsiFromWide(WideFromUtf8(utf8)); }

std::string WindowAnsi(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(window, wide.data(), length + 1)));
  return AnsiFromWide(wide);
}

void SetWindowAnsi(HWND window, const std::string& ansi) {
  SetWindowTextW(window, WideFromAnsi(ansi).c_str());
}

void SetWindowUtf8(HWND window, const std::string& utf8) {
  SetWindowTextW(window, WideFromUtf8(utf8).c_str());
}

}  // namespace keydesk
