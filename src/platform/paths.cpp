#include "platform/paths.h"

#include <filesystem>

namespace keydesk {

std::string PathInFolder(std::string_view folder, std::string_view name) {
  return (std::filesystem::path(folder) / name).string();
}

}  // namespace keydesk
