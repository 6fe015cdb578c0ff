#include "platform/executable_path.h"

#include <filesystem>

namespace keydesk {

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path().string();
  return executable.parent_path().string();
}

}  // namespace keydesk
