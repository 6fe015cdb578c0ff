#include <windows.h>

#include "platform/append_windows.h"
#include "platform/file_system.h"
#include "platform/unique_handle_windows.h"
#include "platform/wide_text_windows.h"

namespace keydesk {
namespace {

class WindowsAppendFile final : public AppendFile {
 public:
  explicit WindowsAppendFile(UniqueHandle file) : file_(std::move(file)) {}

  bool Append(std::span<const std::string_view> pieces) override {
    std::string bytes;
    for (const std::string_view piece : pieces) bytes.append(piece);
    return AppendWhole(file_.Get(), bytes);
  }

 private:
  UniqueHandle file_;
};

class WindowsFileSystem final : public FileSystem {
 public:
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) const override {
    // While keydesk runs, another program may read the log, and move or delete it (to
    // archive it): the next line then opens a new file under the name.
    UniqueHandle file(CreateFileW(WideFromAnsi(path).c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return nullptr;
    return std::make_unique<WindowsAppendFile>(std::move(file));
  }
};

}  // namespace

const FileSystem& RealFileSystem() {
  static const WindowsFileSystem files;
  return files;
}

}  // namespace keydesk
