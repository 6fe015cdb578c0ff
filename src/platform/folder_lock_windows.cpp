#include <windows.h>

#include "platform/folder_lock.h"
#include "platform/unique_handle_windows.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

struct FolderLock::Native {
  UniqueHandle file;
};

FolderLock::FolderLock(const std::string& path) : native_(std::make_unique<Native>()) {
  // Opened for writing and shared for reading only: a second writer is refused for as long as
  // this handle is open.
  native_->file =
      UniqueHandle(CreateFileW(WideFromAnsi(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (native_->file.Valid()) {
    state_ = State::Held;
  } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
    state_ = State::HeldByAnother;
  }
}

FolderLock::~FolderLock() = default;

}  // namespace keydesk
