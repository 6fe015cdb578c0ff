#include <windows.h>

#include "sim_platform.h"
#include "windows_files.h"

namespace keydesk::sim {
namespace {

// The last "\" or "/" of a code page 936 path; the second byte of a two-byte character may
// have the code of "\" and is passed over.
size_t LastSeparator(std::string_view path) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByteEx(kPathCodePage, static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      last = i;
    }
  }
  return last;
}

}  // namespace

// Read through the wide function and converted, so that a path in the environment keeps its
// Chinese characters whatever the ANSI code page.
std::optional<std::string> EnvironmentVariable(const char* name) {
  const std::wstring wideName = WidePath(name);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (length < value.size()) {
      value.resize(length);
      return NarrowPath(value);
    }
    value.resize(length);  // the length needed, with the NUL
  }
}

std::string FolderOf(std::string_view path) {
  const size_t separator = LastSeparator(path);
  if (separator == std::string_view::npos) return ".";
  // "C:\" and "\" are folders of their own; the separator stays with them.
  if (separator == 0 || (separator == 2 && path[1] == ':')) {
    return std::string(path.substr(0, separator + 1));
  }
  return std::string(path.substr(0, separator));
}

std::string PathInFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (LastSeparator(path) + 1 != path.size()) path += '\\';
  return path.append(name);
}

std::string LibraryFolder() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&LibraryFolder), &module)) {
    return ".";
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      return FolderOf(NarrowPath(path));
    }
    path.resize(path.size() * 2);
  }
}

void AppendToFile(const std::string& path, std::string_view bytes) {
  // Opened for appending only: each write goes to the end.
  UniqueHandle file(CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA, kShareAll, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return;
  const RangeLock turn(file.Get(), true, kAppendLockHigh, kAppendLockLow, 1);
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace keydesk::sim
