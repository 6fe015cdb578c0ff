#pragma once

#include "platform/date_time.h"

namespace keydesk {

// Where "now" comes from. Behind an interface so that tests can fix the time.
// Implementations are thread-safe.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;
};

// The workstation's local time.
class SystemClock final : public Clock {
 public:
  DateTime Now() const override;
};

}  // namespace keydesk
