#include <windows.h>

#include <atomic>

#include "platform/new_file.h"
#include "platform/unique_handle_windows.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

PathState ExaminePath(const std::string& path, std::string* reason) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(WideFromAnsi(path).c_str(), GetFileExInfoStandard, &data)) {
    // Pipes and devices have no names inside a folder on Windows: what is no folder is a file.
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathState::NotAFile
                                                                   : PathState::File;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return PathState::Missing;
  *reason = SystemErrorText(error);
  return PathState::Unknown;
}

std::optional<std::string> CreateUniqueFile(const std::string& path, std::string* reason) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = path + "." + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(counter.fetch_add(1)) + ".tmp";
    UniqueHandle file(CreateFileW(WideFromAnsi(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid()) return name;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS) {
      *reason = SystemErrorText(error);
      return std::nullopt;
    }
  }
  *reason = SystemErrorText(ERROR_FILE_EXISTS);
  return std::nullopt;
}

Placement PlaceWithoutReplacing(const std::string& from, const std::string& to,
                                std::string* reason) {
  // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that is taken.
  if (MoveFileExW(WideFromAnsi(from).c_str(), WideFromAnsi(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
    return Placement::Placed;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Placement::NameTaken;
  *reason = SystemErrorText(error);
  return Placement::Failed;
}

}  // namespace keydesk
