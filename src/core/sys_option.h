#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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

  // The listening port of a kind whose port key is key: the field for one of the four, the
  // key as read from the file for a kind of its own.
  int32_t PortNo(const OptionKey& key) const;
  // The field of one of the four port keys; nullptr for another key.
  int32_t* PortField(const OptionKey& key);

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

// The port key among them of the interface kind of that access name ("doorlock" …); raises
// Error for a kind without one.
const OptionKey& SysOptionPortKey(std::string_view kind);

}  // namespace keydesk
