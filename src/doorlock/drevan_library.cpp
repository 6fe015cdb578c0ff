#include "doorlock/drevan_library.h"

#include <cstdlib>
#include <optional>

#include "doorlock/simulator_mark.h"
#include "platform/dynamic_library.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

template <class Function>
void Resolve(const DynamicLibrary& library, const std::string& path, const char* name,
             Function& function) {
  function = reinterpret_cast<Function>(library.Function(name));
  if (function == nullptr) {
    throw LibraryError("The card library " + AnsiFromPath(path) + " has no function " + name);
  }
}

// Whether the file carries the simulator's mark.
bool CarriesSimulatorMark(const std::string& path) {
  const std::optional<std::string> content = ReadWholeFile(path);
  return content && content->find(KEYDESK_SIMULATOR_MARK) != std::string::npos;
}

}  // namespace

std::string DrevanLibrary::DefaultPath(std::string_view executableFolder) {
  if (const char* path = std::getenv(kPathVariable); path != nullptr && *path != '\0') {
    return path;
  }
  return PathInFolder(executableFolder, DynamicLibrary::FileName(kLibraryName));
}

DrevanLibrary::DrevanLibrary(const std::string& path) : path_(path) {
  std::string reason;
  library_ = DynamicLibrary::Load(path, &reason);
  if (library_ == nullptr) {
    throw LibraryError("Cannot load the card library " + AnsiFromPath(path) + ": " + reason);
  }
  Resolve(*library_, path, "SerialNo_FromNow", SerialNo_FromNow);
  Resolve(*library_, path, "Reader_Alarm", Reader_Alarm);
  Resolve(*library_, path, "Write_Guest_Card", Write_Guest_Card);
  Resolve(*library_, path, "Write_Guest_Lift", Write_Guest_Lift);
  Resolve(*library_, path, "Write_Guest_PowerSwitch", Write_Guest_PowerSwitch);
  Resolve(*library_, path, "Read_Guest_Card", Read_Guest_Card);
  Resolve(*library_, path, "Read_Guest_Lift", Read_Guest_Lift);
  Resolve(*library_, path, "Read_Guest_PowerSwitch", Read_Guest_PowerSwitch);
  simulated_ = CarriesSimulatorMark(path);
}

DrevanLibrary::~DrevanLibrary() = default;

}  // namespace keydesk
