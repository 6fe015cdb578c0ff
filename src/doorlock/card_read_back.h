#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace keydesk {

class DrevanLibrary;
struct TOption;

// What the lift driver wrote to a card, as it handed it to the library.
struct WrittenCard {
  int32_t CardNo = 0;
  std::string RoomNo;
  std::string ValidFrom;  // "yymmddhhnn"
  std::string ValidTo;
  std::string LiftData;
  int32_t PowerSwitchType = 0;  // 1 or 2 when a power-switch block was written
};

// Reads the card on the encoder back, block by block as written, and compares what the
// blocks can tell (card number, room, validity, lift floors). None when everything matches;
// otherwise what differed or which read failed, code page 936, for one log line. The caller
// holds the encoder.
std::optional<std::string> ReadBackDifference(const DrevanLibrary& library, const TOption& option,
                                              const WrittenCard& card);

}  // namespace keydesk
