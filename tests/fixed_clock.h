#pragma once

#include <atomic>
#include <chrono>
#include <functional>

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

// A steady time for the password guard's waits, which stands until moved on. With a leap, each
// reading moves it on by that much first, so that no wait after a wrong password holds up a
// test that is not about the wait. Must outlive what reads it.
class SteadyTime {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  explicit SteadyTime(std::chrono::milliseconds leap = std::chrono::milliseconds(0))
      : leap_(leap) {}

  std::function<TimePoint()> Now() {
    return [this] { return now_ += leap_; };
  }
  void Advance(std::chrono::milliseconds by) { now_ += by; }

 private:
  const std::chrono::milliseconds leap_;
  TimePoint now_{std::chrono::hours(1)};
};

inline DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                             int second = 0) {
  return DateTime::FromParts({year, month, day, hour, minute, second, 0}).value();
}

}  // namespace keydesk::test
