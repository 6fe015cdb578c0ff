#include <windows.h>

#include "platform/clock.h"

namespace keydesk {

DateTime SystemClock::Now() const {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  DateTime::Parts parts;
  parts.year = local.wYear;
  parts.month = local.wMonth;
  parts.day = local.wDay;
  parts.hour = local.wHour;
  parts.minute = local.wMinute;
  parts.second = local.wSecond;
  parts.millisecond = local.wMilliseconds;
  return DateTime::FromParts(parts).value_or(DateTime());
}

}  // namespace keydesk
