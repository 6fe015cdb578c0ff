#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keydesk {

// Integer texts as the system reads them everywhere: optional leading blanks, an optional
// sign, then decimal digits or hexadecimal digits after "$", "0x" or "0X". Nothing may
// follow the digits, and the value must fit the result type.
std::optional<int32_t> TryStrToInt(std::string_view text);
std::optional<int64_t> TryStrToInt64(std::string_view text);

// As above; a text that is not such an integer raises ConvertError
// "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);

// As above; a text that is not such an integer gives defaultValue.
int32_t StrToIntDef(std::string_view text, int32_t defaultValue);

// Removes every leading and trailing character whose code is at most that of the blank
// (blanks and control characters).
std::string_view Trim(std::string_view text);
std::u16string_view Trim(std::u16string_view text);

// Whether two texts are the same but for the letter case of A to Z, as the profile functions
// match sections and keys.
bool SameAsciiText(std::string_view a, std::string_view b);

}  // namespace keydesk
