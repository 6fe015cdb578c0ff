#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "doorlock/drevan_api.h"

namespace keydesk {

class DynamicLibrary;

// The vendor's card library, loaded at run time with all eight functions resolved at once:
// the program does not start without every one of them. Each function is found under its
// plain name or a stdcall-decorated one (_Name@N, Name@N), and on 32-bit Windows is called so
// that it works whether the library uses stdcall or the C convention (platform/foreign_call.h).
// Owns the library. The functions may be called from any thread; the driver serialises its
// calls.
class DrevanLibrary {
 public:
  // The library's name: drevan.dll on Windows, libdrevan.so on Linux.
  static constexpr const char* kLibraryName = "drevan";
  static constexpr const char* kPathVariable = "KEYDESK_CARD_LIBRARY";

  // The library beside the executable, unless KEYDESK_CARD_LIBRARY names another path.
  static std::string DefaultPath(std::string_view executableFolder);

  // Raises LibraryError with a Chinese message for the clerk: what is wrong (no file, a
  // library of the other width, a function missing, the system's reason) and what to do.
  explicit DrevanLibrary(const std::string& path);
  ~DrevanLibrary();
  DrevanLibrary(const DrevanLibrary&) = delete;
  DrevanLibrary& operator=(const DrevanLibrary&) = delete;

  const std::string& Path() const { return path_; }
  // Whether the library is keydesk's simulated encoder rather than the vendor's.
  bool Simulated() const { return simulated_; }
  // The start's log line: the library, its width, the names and the convention found.
  std::string Description() const;
  // Whether a call has shown the library's functions to remove their own arguments (stdcall):
  // none before the first call with arguments, and on every build but 32-bit Windows.
  std::optional<bool> CalleeRemovesArguments() const;

  int32_t SerialNo_FromNow() const;
  int32_t Reader_Alarm(int32_t port, int32_t lock_type, int32_t mode) const;
  int32_t Write_Guest_Card(int32_t port, int32_t lock_type, uint8_t sector,
                           const char* hotel_password, int32_t card_no, uint32_t start_stamp,
                           int32_t one, const char* room, const char* zeros, const char* pub_door,
                           const char* valid_from, const char* valid_to) const;
  int32_t Write_Guest_Lift(int32_t port, int32_t lock_type, uint8_t sector,
                           const char* hotel_password, int32_t card_no, int32_t begin_addr,
                           int32_t end_addr, int32_t max_lift_addr, const char* valid_from,
                           const char* valid_to, const char* lift_data) const;
  int32_t Write_Guest_PowerSwitch(int32_t port, int32_t lock_type, uint8_t sector,
                                  const char* password, int32_t card_no_or_flag, int32_t flag,
                                  const char* room, const char* guest_name, const char* valid_from,
                                  const char* valid_to, int32_t switch_type) const;
  int16_t Read_Guest_Card(int32_t port, int32_t lock_type, uint8_t sector,
                          const char* hotel_password, int32_t* card_no, uint32_t* start_stamp,
                          int32_t* one, char* room, char* zeros, char* pub_door, char* valid_from,
                          char* valid_to) const;
  int16_t Read_Guest_Lift(int32_t port, int32_t lock_type, uint8_t sector,
                          const char* hotel_password, int32_t begin_addr, int32_t end_addr,
                          int32_t* card_no, char* valid_from, char* valid_to,
                          char* lift_data) const;
  int16_t Read_Guest_PowerSwitch(int32_t port, int32_t lock_type, uint8_t sector,
                                 const char* password, int32_t* card_no, int32_t* flag, char* room,
                                 char* guest_name, char* valid_from, char* valid_to,
                                 int32_t switch_type) const;

  // The library's eight functions, in the order of their table.
  enum FunctionIndex {
    kSerialNo_FromNow,
    kReader_Alarm,
    kWrite_Guest_Card,
    kWrite_Guest_Lift,
    kWrite_Guest_PowerSwitch,
    kRead_Guest_Card,
    kRead_Guest_Lift,
    kRead_Guest_PowerSwitch,
    kFunctionCount
  };

 private:
  template <class Function, class... Args>
  auto Call(FunctionIndex index, Args... args) const;

  std::string path_;
  std::unique_ptr<DynamicLibrary> library_;
  bool simulated_ = false;
  std::array<void*, kFunctionCount> functions_{};
  // The name each function was found under.
  std::array<std::string, kFunctionCount> exportNames_;
  // 0 until a call with arguments shows the convention, then 1 (the C convention) or
  // 2 (stdcall).
  mutable std::atomic<int> observedConvention_{0};
};

}  // namespace keydesk
