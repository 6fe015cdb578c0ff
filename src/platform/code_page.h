#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// Conversions between the system's inside text (code page 936 bytes), UTF-16 and UTF-8.
// A character that the target cannot hold becomes one "?"; so does a byte sequence that is
// not valid in the source. Thread-safe: each thread keeps its own converters.
std::string AnsiFromUnicode(std::u16string_view text);
std::u16string UnicodeFromAnsi(std::string_view text);
std::string AnsiFromUtf8(std::string_view text);
std::string Utf8FromAnsi(std::string_view text);

}  // namespace keydesk
