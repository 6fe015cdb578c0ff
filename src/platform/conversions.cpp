#include "platform/conversions.h"

#include <limits>

#include "platform/errors.h"

namespace keydesk {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Accumulates as a negative number so that the most negative value fits.
template <class Int>
std::optional<Int> ParseInteger(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at] == '-';
    ++at;
  }
  int base = 10;
  if (at < text.size() && text[at] == '$') {
    base = 16;
    ++at;
  } else if (at + 1 < text.size() && text[at] == '0' &&
             (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  if (at == text.size()) return std::nullopt;
  constexpr Int kMin = std::numeric_limits<Int>::min();
  Int value = 0;
  for (; at < text.size(); ++at) {
    const int digit = DigitValue(text[at]);
    if (digit < 0 || digit >= base) return std::nullopt;
    if (value < (kMin + digit) / base) return std::nullopt;
    value = static_cast<Int>(value * base - digit);
  }
  if (!negative) {
    if (value == kMin) return std::nullopt;
    value = static_cast<Int>(-value);
  }
  return value;
}

}  // namespace

std::optional<int32_t> TryStrToInt(std::string_view text) { return ParseInteger<int32_t>(text); }

std::optional<int64_t> TryStrToInt64(std::string_view text) { return ParseInteger<int64_t>(text); }

int32_t StrToInt(std::string_view text) {
  if (auto value = TryStrToInt(text)) return *value;
  throw ConvertError(Substitute(kNotValidInteger, text));
}

int64_t StrToInt64(std::string_view text) {
  if (auto value = TryStrToInt64(text)) return *value;
  throw ConvertError(Substitute(kNotValidInteger, text));
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue) {
  return TryStrToInt(text).value_or(defaultValue);
}

std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::u16string_view Trim(std::u16string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace keydesk
