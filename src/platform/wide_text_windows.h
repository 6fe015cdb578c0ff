#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace keydesk {

// UTF-16 at the edge of the Windows API. Inside, texts and paths are code page 936, whatever
// the workstation's ANSI code page, so every call goes through the wide functions.

// Code page 936 text as UTF-16; a byte that starts no character becomes "?".
std::wstring WideFromAnsi(std::string_view text);

// UTF-16 as code page 936; a character that has no code page 936 form becomes "?".
std::string AnsiFromWide(std::wstring_view text);

// UTF-16 as code page 936; none when a character has no code page 936 form (a path with such
// a character cannot be named inside the system).
std::optional<std::string> ExactAnsiFromWide(std::wstring_view text);

// The system's own text for an error code (GetLastError, WSAGetLastError), in code page 936,
// without the line break that ends it. Its placeholders are filled in: "%1" with insert,
// others with nothing, so that no "%1" reaches the clerk.
std::string SystemErrorText(DWORD error, std::string_view insert = {});

}  // namespace keydesk
