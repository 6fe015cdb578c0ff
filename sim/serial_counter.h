// The card numbers that the simulated encoder hands out.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "decimal.h"

namespace keydesk::sim {

// The number after the one stored in the counter file at path, stored back before it is
// returned: 1 when the file is absent, empty or unreadable as a number, and 1 again after
// 2147483647 so that numbers stay positive 32-bit values. A lock on the file (flock(), or
// LockFileEx() on Windows) makes the numbers unique across threads and processes. 0 when the
// file cannot be used.
int32_t NextSerial(const std::string& path);

// The number that follows the counter file's text, as NextSerial hands it out.
inline int32_t FollowingSerial(std::string_view stored) {
  while (!stored.empty() && (stored.back() == '\n' || stored.back() == '\r')) {
    stored.remove_suffix(1);
  }
  const std::optional<int64_t> last = ParseDecimal(stored);
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(last && *last >= 0 && *last < kMax ? *last + 1 : 1);
}

}  // namespace keydesk::sim
