#include "doorlock/drevan_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "doorlock/simulator_mark.h"
#include "platform/code_page.h"
#include "platform/errors.h"

namespace keydesk {
namespace {

template <class Function>
void Resolve(void* handle, const std::string& path, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  if (function == nullptr) {
    throw LibraryError("The card library " + AnsiFromUtf8(path) + " has no function " + name);
  }
}

// Whether the file carries the simulator's mark.
bool CarriesSimulatorMark(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  return content.find(KEYDESK_SIMULATOR_MARK) != std::string::npos;
}

}  // namespace

std::string DrevanLibrary::DefaultPath(std::string_view executableFolder) {
  if (const char* path = std::getenv(kPathVariable); path != nullptr && *path != '\0') {
    return path;
  }
  std::string path(executableFolder);
  if (!path.empty() && path.back() != '/') path += '/';
  return path + kFileName;
}

DrevanLibrary::DrevanLibrary(const std::string& path) : path_(path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    throw LibraryError("Cannot load the card library " + AnsiFromUtf8(path) + ": " +
                       AnsiFromUtf8(reason != nullptr ? reason : "unknown error"));
  }
  try {
    Resolve(handle_, path, "SerialNo_FromNow", SerialNo_FromNow);
    Resolve(handle_, path, "Reader_Alarm", Reader_Alarm);
    Resolve(handle_, path, "Write_Guest_Card", Write_Guest_Card);
    Resolve(handle_, path, "Write_Guest_Lift", Write_Guest_Lift);
    Resolve(handle_, path, "Write_Guest_PowerSwitch", Write_Guest_PowerSwitch);
    Resolve(handle_, path, "Read_Guest_Card", Read_Guest_Card);
    Resolve(handle_, path, "Read_Guest_Lift", Read_Guest_Lift);
    Resolve(handle_, path, "Read_Guest_PowerSwitch", Read_Guest_PowerSwitch);
  } catch (...) {
    dlclose(handle_);
    throw;
  }
  simulated_ = CarriesSimulatorMark(path);
}

DrevanLibrary::~DrevanLibrary() { dlclose(handle_); }

}  // namespace keydesk
