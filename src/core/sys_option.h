#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/option_key.h"

namespace keydesk {

// The system-wide settings of Option.ini: administrator password, listening ports, log
// switch, and the door lock service's time offsets and record-keeping switches.
//
// One instance lives for the whole run. It is loaded on the main thread before any other
// thread exists; afterwards connection threads only read it, and only the main thread
// changes Password (followed by Save).
class TSysOption {
 public:
  // Stores the path and gives every field its default; reads nothing.
  explicit TSysOption(std::string fileName);

  // Reads every key, in the table's order, each falling back to its default.
  void Load();
  // Writes every key, in the table's order. Raises IoError "Unable to write to %s" at the
  // first key that cannot be written; the keys before it are written.
  void Save() const;

  std::string FileName;

  // Each field opens with its key's default (SysOptionKeys).
  std::string Password;
  int32_t DoorlockPortNo = 0;
  int32_t HandPortNo = 0;
  int32_t PolicePortNo = 0;
  int32_t MemberPortNo = 0;
  int32_t ScanPortNo = 0;
  bool WriteLog = false;
  int32_t DelayMinutes = 0;
  int32_t DelayMinutes2 = 0;
  bool UseNativeDoorlockDb = false;
  bool SaveDoorlockRecord = false;
  bool AutoReadDoorCard = false;
  std::string PmsServer;
  int32_t PmsServerPort = 0;
};

// The descriptions of the fourteen keys, in the order they are loaded and saved.
std::span<const OptionKey> SysOptionKeys();

}  // namespace keydesk
