// Decimal integers in and out of text.
//
// Written out by hand: <charconv> and std::to_string instantiate function templates of
// namespace std, which keep default visibility and would join this library's exports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keydesk::sim {

// An optional "-" and one to eighteen digits; anything else, including spaces, is nullopt.
// Eighteen digits hold every 32-bit value and never overflow.
inline std::optional<int64_t> ParseDecimal(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

inline std::string FormatDecimal(int64_t value) {
  // Counted in the unsigned type so that the most negative value has a magnitude too.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[24];
  char* begin = digits + sizeof digits;
  do {
    *--begin = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--begin = '-';
  return std::string(begin, digits + sizeof digits);
}

}  // namespace keydesk::sim
