#pragma once

#include <windows.h>

#include <utility>

namespace keydesk {

// A kernel handle (a file, a module's file ...), closed when the object goes away.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~UniqueHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  UniqueHandle(UniqueHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }

  HANDLE Get() const { return handle_; }
  // Both INVALID_HANDLE_VALUE and null stand for no handle: the API uses either.
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Closes now, reporting failure; a failed close may mean lost data.
  bool Close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

 private:
  HANDLE handle_;
};

}  // namespace keydesk
