#pragma once

#include <string>

#include "platform/date_time.h"

namespace keydesk {

// A time as both stores keep it: text that sorts in time order and keeps the milliseconds,
// "yyyy-mm-dd hh:nn:ss.zzz".
inline std::string StoredTime(DateTime value) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value);
}

}  // namespace keydesk
