#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace keydesk {

// Capacities of the card library's read buffers, in characters; each buffer has one more
// byte for the NUL.
inline constexpr size_t kRoomCapacity = 6;
inline constexpr size_t kZerosCapacity = 4;
inline constexpr size_t kPubDoorCapacity = 8;
inline constexpr size_t kValidityCapacity = 12;
inline constexpr size_t kPowerSwitchTextCapacity = 8;

// A zero-filled buffer whose last byte stays NUL whatever fits before it.
inline std::vector<char> Buffer(size_t capacity) { return std::vector<char>(capacity + 1, '\0'); }

// The text the library left in a buffer.
inline std::string Text(const std::vector<char>& buffer) {
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size() - 1));
}

}  // namespace keydesk
