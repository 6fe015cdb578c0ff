#include "platform/clock.h"

#include <time.h>

namespace keydesk {

DateTime SystemClock::Now() const {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // localtime_r takes a process-wide lock; most calls fall in the second of the last one.
  thread_local time_t lastSecond = -1;
  thread_local tm local{};
  if (now.tv_sec != lastSecond) {
    localtime_r(&now.tv_sec, &local);
    lastSecond = now.tv_sec;
  }
  DateTime::Parts parts;
  parts.year = local.tm_year + 1900;
  parts.month = local.tm_mon + 1;
  parts.day = local.tm_mday;
  parts.hour = local.tm_hour;
  parts.minute = local.tm_min;
  // A leap second reads as the last second of its minute.
  parts.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  parts.millisecond = static_cast<int>(now.tv_nsec / 1'000'000);
  return DateTime::FromParts(parts).value_or(DateTime());
}

}  // namespace keydesk
