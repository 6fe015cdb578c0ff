#include <filesystem>

#include "platform/code_page.h"
#include "platform/paths.h"

namespace keydesk {

std::string PathInFolder(std::string_view folder, std::string_view name) {
  return (std::filesystem::path(folder) / name).string();
}

std::string FileNameInPath(std::string_view path) {
  return std::filesystem::path(path).filename().string();
}

std::string Utf8FromPath(std::string_view path) { return std::string(path); }

std::string AnsiFromPath(std::string_view path) { return AnsiFromUtf8(path); }

}  // namespace keydesk
