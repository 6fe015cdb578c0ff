#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/folder_lock.h"

namespace keydesk {

struct FolderLock::Native {
  int fd = -1;
  ~Native() {
    if (fd >= 0) close(fd);
  }
};

FolderLock::FolderLock(const std::string& path) : native_(std::make_unique<Native>()) {
  native_->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  // Made by another user: reading is enough to lock it.
  if (native_->fd < 0 && errno == EACCES) {
    native_->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  }
  if (native_->fd < 0) return;
  if (flock(native_->fd, LOCK_EX | LOCK_NB) == 0) {
    state_ = State::Held;
  } else if (errno == EWOULDBLOCK) {
    state_ = State::HeldByAnother;
  }
}

FolderLock::~FolderLock() = default;

}  // namespace keydesk
