#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keydesk {

// A local calendar date and time to the millisecond. It counts milliseconds from
// 1899-12-30 00:00, so the zero value stands for "no time", which the record store's
// callers rely on. Minute arithmetic is exact.
class DateTime {
 public:
  struct Parts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
  };

  constexpr DateTime() = default;
  static constexpr DateTime FromMilliseconds(int64_t milliseconds) {
    DateTime value;
    value.milliseconds_ = milliseconds;
    return value;
  }
  // None when a part is out of its range (month 13, 30 February, hour 24, year 0 ...).
  static std::optional<DateTime> FromParts(const Parts& parts);

  constexpr int64_t Milliseconds() const { return milliseconds_; }
  constexpr bool IsZero() const { return milliseconds_ == 0; }
  Parts Decode() const;

  constexpr DateTime AddMilliseconds(int64_t n) const {
    return FromMilliseconds(milliseconds_ + n);
  }
  constexpr DateTime AddMinutes(int64_t n) const { return AddMilliseconds(n * 60'000); }
  constexpr DateTime AddHours(int64_t n) const { return AddMilliseconds(n * 3'600'000); }
  constexpr DateTime AddDays(int64_t n) const { return AddMilliseconds(n * 86'400'000); }

  friend constexpr auto operator<=>(DateTime, DateTime) = default;

 private:
  int64_t milliseconds_ = 0;
};

// Formats with a pattern whose tokens, matched without regard to letter case, are
// yyyy, yy, mm (month), dd, hh (00-23), nn (minutes), ss and zzz; every other character
// is copied. The system's patterns: "yyyy-mm-dd hh:nn:ss " (log stamps), "yyyymmdd" (log
// file names), "YYMMDDHHNN" (card validity), "YYYY-MM-DD HH:NN:SS" (dialogs).
std::string FormatDateTime(std::string_view pattern, DateTime value);

// Reads a date and time as the system's date and time settings write it: year-month-day
// with "-", then optionally a blank and hours:minutes with optional :seconds, one- or
// two-digit months, days, hours, minutes and seconds. Raises ConvertError
// "'%s' is not a valid date and time" for anything else.
DateTime StrToDateTime(std::string_view text);
std::optional<DateTime> TryStrToDateTime(std::string_view text);

}  // namespace keydesk
