#include "platform/date_time.h"

#include <chrono>
#include <cstdio>

#include "platform/errors.h"

namespace keydesk {
namespace {

using namespace std::chrono;

constexpr int64_t kMillisecondsPerDay = 86'400'000;
// Days from 1970-01-01 back to the zero date 1899-12-30.
constexpr int64_t kZeroDateOffsetDays = -25'569;

int64_t FloorDivide(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool MatchesToken(std::string_view pattern, size_t at, std::string_view token) {
  if (pattern.size() - at < token.size()) return false;
  for (size_t i = 0; i < token.size(); ++i) {
    char c = pattern[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != token[i]) return false;
  }
  return true;
}

void AppendNumber(std::string& out, int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  out += buffer;
}

// A small cursor over the text of a date and time.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return at_ == text_.size(); }
  bool SkipBlanks() {
    const size_t start = at_;
    while (at_ < text_.size() && text_[at_] == ' ') ++at_;
    return at_ > start;
  }
  bool Take(char c) {
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  // Reads minDigits to maxDigits decimal digits.
  bool Number(int minDigits, int maxDigits, int& value) {
    int count = 0;
    value = 0;
    while (count < maxDigits && at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
      value = value * 10 + (text_[at_] - '0');
      ++at_;
      ++count;
    }
    return count >= minDigits;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

std::optional<DateTime> DateTime::FromParts(const Parts& parts) {
  if (parts.year < 1 || parts.year > 9999) return std::nullopt;
  const year_month_day date{year{parts.year}, month{static_cast<unsigned>(parts.month)},
                            day{static_cast<unsigned>(parts.day)}};
  if (parts.month < 1 || parts.month > 12 || parts.day < 1 || !date.ok()) return std::nullopt;
  if (parts.hour < 0 || parts.hour > 23 || parts.minute < 0 || parts.minute > 59 ||
      parts.second < 0 || parts.second > 59 || parts.millisecond < 0 || parts.millisecond > 999) {
    return std::nullopt;
  }
  const int64_t days = sys_days{date}.time_since_epoch().count() - kZeroDateOffsetDays;
  const int64_t timeOfDay =
      ((parts.hour * 60LL + parts.minute) * 60 + parts.second) * 1000 + parts.millisecond;
  return FromMilliseconds(days * kMillisecondsPerDay + timeOfDay);
}

DateTime::Parts DateTime::Decode() const {
  const int64_t days = FloorDivide(milliseconds_, kMillisecondsPerDay);
  int64_t timeOfDay = milliseconds_ - days * kMillisecondsPerDay;
  const year_month_day date{sys_days{std::chrono::days{days + kZeroDateOffsetDays}}};
  Parts parts;
  parts.year = static_cast<int>(date.year());
  parts.month = static_cast<int>(static_cast<unsigned>(date.month()));
  parts.day = static_cast<int>(static_cast<unsigned>(date.day()));
  parts.millisecond = static_cast<int>(timeOfDay % 1000);
  timeOfDay /= 1000;
  parts.second = static_cast<int>(timeOfDay % 60);
  timeOfDay /= 60;
  parts.minute = static_cast<int>(timeOfDay % 60);
  parts.hour = static_cast<int>(timeOfDay / 60);
  return parts;
}

std::string FormatDateTime(std::string_view pattern, DateTime value) {
  const DateTime::Parts parts = value.Decode();
  std::string out;
  out.reserve(pattern.size() + 8);
  for (size_t at = 0; at < pattern.size();) {
    if (MatchesToken(pattern, at, "yyyy")) {
      AppendNumber(out, parts.year, 4);
      at += 4;
    } else if (MatchesToken(pattern, at, "yy")) {
      AppendNumber(out, parts.year % 100, 2);
      at += 2;
    } else if (MatchesToken(pattern, at, "mm")) {
      AppendNumber(out, parts.month, 2);
      at += 2;
    } else if (MatchesToken(pattern, at, "dd")) {
      AppendNumber(out, parts.day, 2);
      at += 2;
    } else if (MatchesToken(pattern, at, "hh")) {
      AppendNumber(out, parts.hour, 2);
      at += 2;
    } else if (MatchesToken(pattern, at, "nn")) {
      AppendNumber(out, parts.minute, 2);
      at += 2;
    } else if (MatchesToken(pattern, at, "ss")) {
      AppendNumber(out, parts.second, 2);
      at += 2;
    } else if (MatchesToken(pattern, at, "zzz")) {
      AppendNumber(out, parts.millisecond, 3);
      at += 3;
    } else {
      out += pattern[at++];
    }
  }
  return out;
}

std::optional<DateTime> TryStrToDateTime(std::string_view text) {
  Scanner scan(text);
  DateTime::Parts parts;
  scan.SkipBlanks();
  if (!scan.Number(4, 4, parts.year) || !scan.Take('-') || !scan.Number(1, 2, parts.month) ||
      !scan.Take('-') || !scan.Number(1, 2, parts.day)) {
    return std::nullopt;
  }
  parts.hour = parts.minute = parts.second = parts.millisecond = 0;
  if (scan.SkipBlanks() && !scan.AtEnd()) {
    if (!scan.Number(1, 2, parts.hour) || !scan.Take(':') || !scan.Number(1, 2, parts.minute)) {
      return std::nullopt;
    }
    if (scan.Take(':')) {
      if (!scan.Number(1, 2, parts.second)) return std::nullopt;
      if (scan.Take('.') && !scan.Number(1, 3, parts.millisecond)) return std::nullopt;
    }
    scan.SkipBlanks();
  }
  if (!scan.AtEnd()) return std::nullopt;
  return DateTime::FromParts(parts);
}

DateTime StrToDateTime(std::string_view text) {
  if (auto value = TryStrToDateTime(text)) return *value;
  throw ConvertError(Substitute(kNotValidDateTime, text));
}

}  // namespace keydesk
