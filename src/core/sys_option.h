#pragma once

#include <cstdint>
#include <string>

namespace keydesk {

// The system-wide settings of Option.ini: administrator password, listening ports, log
// switch, and the door lock service's time offsets and record-keeping switches.
//
// One instance lives for the whole run. It is loaded on the main thread before any other
// thread exists; afterwards connection threads only read it, and only the main thread
// changes Password (followed by Save).
class TSysOption {
 public:
  // Stores the path; reads nothing.
  explicit TSysOption(std::string fileName);

  // Reads every key, in the table's order, each falling back to its default.
  void Load();
  // Writes every key, in the table's order. Raises IoError "Unable to write to %s" at the
  // first key that cannot be written; the keys before it are written.
  void Save() const;

  std::string FileName;

  std::string Password = "tivrel";
  int32_t DoorlockPortNo = 8886;
  int32_t HandPortNo = 8886;
  int32_t PolicePortNo = 8885;
  int32_t MemberPortNo = 8883;
  int32_t ScanPortNo = 8881;
  bool WriteLog = true;
  int32_t DelayMinutes = 0;
  int32_t DelayMinutes2 = 0;
  bool UseNativeDoorlockDb = false;
  bool SaveDoorlockRecord = false;
  bool AutoReadDoorCard = false;
  std::string PmsServer = "127.0.0.1";
  int32_t PmsServerPort = 9873;
};

}  // namespace keydesk
