#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/option_key.h"

#include "platform/mutex.h"

namespace keydesk {

// The door lock settings in [DoorlockOption] of Option.ini that the lift driver hands to the
// card library. A plain value; see SharedOption for the process-wide instance.
struct TOption {
  explicit TOption(std::string fileName = {});

  // Reads the fourteen keys, each with its default. Other keys of the file are not read.
  void Load();
  // Writes the fourteen keys, each on its own, keeping every other key and section. Raises
  // IoError "Unable to write to %s" at the first key that cannot be written.
  void Save() const;
  // The fourteen keys as Save writes them, in its order.
  std::vector<OptionKeyText> KeyTexts() const;

  // "COM1" to "COM10" give 1 to 10; any other name 0.
  int32_t PortNo() const;
  // "RW-21" 1, "RW-33" 2, "RW-26D" 3, "RW-41" 4, "RW-Z49A" 5; any other name 0.
  int32_t LockTypeCode() const;
  // "8602-1M-57BA" 1, "8601-6M-57BA" 2; any other name, the empty one included, 0.
  int32_t PowerSwitchTypeCode() const;

  std::string FileName;
  // Each field opens with its key's default (DoorlockOptionKeys).
  std::string PortName;
  std::string HotelPassword;
  std::string LockTypeName;
  int32_t SectorNo = 0;
  int32_t PowerSwitchSectorNo = 0;
  std::string PowerSwitchPassword;
  std::string PowerSwitchTypeName;
  uint32_t ClientID = 0;
  std::string PubDoor;
  int32_t BeginAddr = 0;
  int32_t EndAddr = 0;
  int32_t MaxLiftAddr = 0;
  std::string LiftData;
  // After writing a card, read it back and fail the issue when it differs from what was
  // written (an encoder can report success for a card pulled away too early).
  bool VerifyAfterWrite = false;
};

// The descriptions of the fourteen keys, in the order they are loaded and saved.
std::span<const OptionKey> DoorlockOptionKeys();

// The process-wide door lock options. The driver takes a copy at every card operation on
// connection threads while the options dialog replaces them on the main thread, so access
// goes through a lock. Thread-safe.
class SharedOption {
 public:
  explicit SharedOption(TOption option) : option_(std::move(option)) {}

  TOption Get() const {
    MutexLock lock(mutex_);
    return option_;
  }
  void Set(TOption option) {
    MutexLock lock(mutex_);
    option_ = std::move(option);
  }

 private:
  mutable Mutex mutex_;
  TOption option_ GUARDED_BY(mutex_);
};

}  // namespace keydesk
