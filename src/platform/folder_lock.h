#pragma once

#include <memory>
#include <string>

namespace keydesk {

// A lock file that one running program holds for as long as it lives, so that a second one
// started on the same folder can tell and step back before it touches the first one's files.
// The system releases it when the process ends, however it ends. One implementation per
// platform: flock on POSIX, a file opened for writing without sharing on Windows.
class FolderLock {
 public:
  enum class State {
    Held,           // this process now holds it
    HeldByAnother,  // another process holds it
    // It cannot be taken: the name is a symbolic link (or a reparse point) or no plain file,
    // the file cannot be made or opened (a folder nobody may write), or locking failed.
    Unavailable,
  };

  // Tries to take the lock file at path, creating it when missing. A link at the name is
  // never followed.
  explicit FolderLock(const std::string& path);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  State GetState() const { return state_; }
  // Why the lock is Unavailable, code page 936 text; empty otherwise.
  const std::string& Reason() const { return reason_; }

 private:
  struct Native;
  std::unique_ptr<Native> native_;
  State state_ = State::Unavailable;
  std::string reason_;
};

}  // namespace keydesk
