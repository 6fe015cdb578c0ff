#pragma once

#include <cstdint>
#include <functional>

namespace keydesk {

struct TCardDetails;

// Reads the card lying on a kind's encoder: its number, and what its blocks say; false when it
// could not. Called off the main thread.
using CardReader = std::function<bool(int64_t& CardNo, TCardDetails& Details)>;

}  // namespace keydesk
