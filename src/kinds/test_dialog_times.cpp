#include "kinds/test_dialog_times.h"

#include "platform/clock.h"
#include "platform/date_time.h"

namespace keydesk {
namespace {

constexpr const char* kDateTimePattern = "YYYY-MM-DD HH:NN:SS";

}  // namespace

std::string DefaultTestCheckIn(const Clock& clock) {
  return FormatDateTime(kDateTimePattern, clock.Now().AddHours(-1));
}

std::string DefaultTestCheckOut(const Clock& clock) {
  return FormatDateTime(kDateTimePattern, clock.Now().AddDays(2));
}

}  // namespace keydesk
