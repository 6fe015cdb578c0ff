#pragma once

#include <windows.h>

#include <string>

namespace keydesk {

// Texts at the edge of the window: code page 936 inside, UTF-16 for the API, and the UTF-8
// source literals of captions and messages.

std::wstring WideFromUtf8(const std::string& utf8);
std::string AnsiFromUtf8Text(const std::string& utf8);

// A window's or control's text as code page 936; a character outside it becomes "?".
std::string WindowAnsi(HWND window);
void SetWindowAnsi(HWND window, const std::string& ansi);
void SetWindowUtf8(HWND window, const std::string& utf8);

}  // namespace keydesk
