// The card numbers that the simulated encoder hands out.
#pragma once

#include <cstdint>
#include <string>

namespace keydesk::sim {

// The number after the one stored in the counter file at path, stored back before it is
// returned: 1 when the file is absent, empty or unreadable as a number, and 1 again after
// 2147483647 so that numbers stay positive 32-bit values. flock() on the file makes the
// numbers unique across threads and processes. 0 when the file cannot be used.
int32_t NextSerial(const std::string& path);

}  // namespace keydesk::sim
