#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "doorlock/drevan_api.h"

namespace keydesk {

class DynamicLibrary;

// The vendor's card library, loaded at run time with all eight functions resolved at once:
// the program does not start without every one of them. Owns the library. The functions may
// be called from any thread; the driver serialises its calls.
class DrevanLibrary {
 public:
  // The library's name: drevan.dll on Windows, libdrevan.so on Linux.
  static constexpr const char* kLibraryName = "drevan";
  static constexpr const char* kPathVariable = "KEYDESK_CARD_LIBRARY";

  // The library beside the executable, unless KEYDESK_CARD_LIBRARY names another path.
  static std::string DefaultPath(std::string_view executableFolder);

  // Raises LibraryError naming the path, and the missing function where one is missing.
  explicit DrevanLibrary(const std::string& path);
  ~DrevanLibrary();
  DrevanLibrary(const DrevanLibrary&) = delete;
  DrevanLibrary& operator=(const DrevanLibrary&) = delete;

  const std::string& Path() const { return path_; }
  // Whether the library is keydesk's simulated encoder rather than the vendor's.
  bool Simulated() const { return simulated_; }

  SerialNo_FromNow_t SerialNo_FromNow = nullptr;
  Reader_Alarm_t Reader_Alarm = nullptr;
  Write_Guest_Card_t Write_Guest_Card = nullptr;
  Write_Guest_Lift_t Write_Guest_Lift = nullptr;
  Write_Guest_PowerSwitch_t Write_Guest_PowerSwitch = nullptr;
  Read_Guest_Card_t Read_Guest_Card = nullptr;
  Read_Guest_Lift_t Read_Guest_Lift = nullptr;
  Read_Guest_PowerSwitch_t Read_Guest_PowerSwitch = nullptr;

 private:
  std::string path_;
  std::unique_ptr<DynamicLibrary> library_;
  bool simulated_ = false;
};

}  // namespace keydesk
