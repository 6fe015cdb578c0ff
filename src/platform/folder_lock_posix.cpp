#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/code_page.h"
#include "platform/folder_lock.h"

namespace keydesk {
namespace {

// Never blocks on a pipe or a device put at the name, never follows a link there.
constexpr int kOpenFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

}  // namespace

struct FolderLock::Native {
  int fd = -1;
  ~Native() {
    if (fd >= 0) close(fd);
  }
};

FolderLock::FolderLock(const std::string& path) : native_(std::make_unique<Native>()) {
  native_->fd = open(path.c_str(), O_RDWR | O_CREAT | kOpenFlags, 0644);
  if (native_->fd < 0) {
    int error = errno;
    // Made by another user: reading is enough to lock it. When there is none, the first
    // refusal says why.
    if (error == EACCES) {
      native_->fd = open(path.c_str(), O_RDONLY | kOpenFlags);
      if (native_->fd < 0 && errno != ENOENT) error = errno;
    }
    if (native_->fd < 0) {
      // A link at the name would let two programs lock two different files.
      reason_ = error == ELOOP ? AnsiFromUtf8("它是符号链接") : AnsiFromUtf8(std::strerror(error));
      return;
    }
  }
  struct stat status {};
  if (fstat(native_->fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    reason_ = AnsiFromUtf8("它不是普通文件");
    return;
  }
  if (flock(native_->fd, LOCK_EX | LOCK_NB) == 0) {
    state_ = State::Held;
  } else if (errno == EWOULDBLOCK) {
    state_ = State::HeldByAnother;
  } else {
    reason_ = AnsiFromUtf8(std::strerror(errno));
  }
}

FolderLock::~FolderLock() = default;

}  // namespace keydesk
