#pragma once

#include <cstddef>
#include <optional>
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

// Whether the bytes decode, every one of them, as characters of code page 936 (by this
// platform's own reader of the code page, which has unassigned pairs).
bool IsAnsiText(std::string_view bytes);

// The conversions above without "?": none when a character has no form in the target, or
// the source is not valid text.
std::optional<std::string> ExactAnsiFromUnicode(std::u16string_view text);
std::optional<std::u16string> ExactUnicodeFromAnsi(std::string_view text);

// The text as any reader of code page 936 reads it to the end: each NUL, and each byte that
// begins no character (a lead byte without its trail byte, an unassigned pair's lead byte, a
// byte no character begins with), becomes one "?"; everything else is kept as it is. Text
// that is already so comes back unchanged, and IsReadableAnsi tells it without a copy.
std::string ReadableAnsi(std::string_view text);
bool IsReadableAnsi(std::string_view text);
// The length (1 or 2) of the code page 936 character that text begins with; 0 when text is
// empty or begins with a NUL or with a byte that begins no character.
size_t AnsiCharacterLength(std::string_view text);

}  // namespace keydesk
