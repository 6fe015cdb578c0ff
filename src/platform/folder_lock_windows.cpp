#include <windows.h>

#include "platform/code_page.h"
#include "platform/folder_lock.h"
#include "platform/unique_handle_windows.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

struct FolderLock::Native {
  UniqueHandle file;
};

FolderLock::FolderLock(const std::string& path) : native_(std::make_unique<Native>()) {
  // Opened for writing and shared for reading only: a second writer is refused for as long as
  // this handle is open. A reparse point at the name (a symbolic link, a junction) is opened
  // itself rather than followed, and refused below: through a link two programs could each
  // hold a file of their own.
  native_->file = UniqueHandle(
      CreateFileW(WideFromAnsi(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!native_->file.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
      state_ = State::HeldByAnother;
    } else {
      reason_ = SystemErrorText(error);
    }
    return;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(native_->file.Get(), &information)) {
    reason_ = SystemErrorText(GetLastError());
  } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    reason_ = AnsiFromUtf8("它是符号链接或重解析点");
  } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
             GetFileType(native_->file.Get()) != FILE_TYPE_DISK) {
    reason_ = AnsiFromUtf8("它不是普通文件");
  } else {
    state_ = State::Held;
  }
}

FolderLock::~FolderLock() = default;

}  // namespace keydesk
