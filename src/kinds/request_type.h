#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "platform/conversions.h"

namespace keydesk {

// The entry of a kind's request-type table for a root's "type" attribute value: the value
// trimmed of bytes up to the blank, then compared exactly with the entry's Type, letter case
// included; nullptr for any other type.
template <typename Entry, size_t N>
const Entry* FindRequestType(const std::array<Entry, N>& table, std::string_view type) {
  const std::string_view trimmed = Trim(type);
  for (const Entry& entry : table) {
    if (trimmed == entry.Type) return &entry;
  }
  return nullptr;
}

}  // namespace keydesk
