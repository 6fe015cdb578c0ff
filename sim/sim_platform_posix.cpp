#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "sim_platform.h"

namespace keydesk::sim {

std::optional<std::string> EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string PathInFolder(std::string_view folder, std::string_view name) {
  return std::string(folder).append("/").append(name);
}

std::string LibraryFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&LibraryFolder), &info) == 0 ||
      info.dli_fname == nullptr) {
    return ".";
  }
  return FolderOf(info.dli_fname);
}

void AppendToFile(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // A short write to a regular file only happens when the disk is full; the trace is then
  // incomplete anyway.
  [[maybe_unused]] const ssize_t written = write(fd, bytes.data(), bytes.size());
  close(fd);
}

}  // namespace keydesk::sim
