#pragma once

#include <atomic>

#include "platform/clock.h"

namespace keydesk::test {

// A clock that tells the time it is set to, so tests can fix "now" or move it.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(DateTime now) : milliseconds_(now.Milliseconds()) {}
  DateTime Now() const override { return DateTime::FromMilliseconds(milliseconds_.load()); }
  void Set(DateTime now) { milliseconds_ = now.Milliseconds(); }

 private:
  std::atomic<int64_t> milliseconds_;
};

inline DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                             int second = 0) {
  return DateTime::FromParts({year, month, day, hour, minute, second, 0}).value();
}

}  // namespace keydesk::test
