// The simulator's helpers for Windows files: paths converted at the edge of the API (code
// page 936 inside, UTF-16 for the wide functions, so that a folder with Chinese characters
// works whatever the ANSI code page), owned handles and byte-range locks.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace keydesk::sim {

inline constexpr UINT kPathCodePage = 936;

inline std::wstring WidePath(std::string_view path) {
  if (path.empty()) return std::wstring();
  const int size = static_cast<int>(path.size());
  std::wstring wide(MultiByteToWideChar(kPathCodePage, 0, path.data(), size, nullptr, 0), L'\0');
  MultiByteToWideChar(kPathCodePage, 0, path.data(), size, wide.data(),
                      static_cast<int>(wide.size()));
  return wide;
}

inline std::string NarrowPath(std::wstring_view path) {
  if (path.empty()) return std::string();
  const int size = static_cast<int>(path.size());
  std::string narrow(
      WideCharToMultiByte(kPathCodePage, 0, path.data(), size, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(kPathCodePage, 0, path.data(), size, narrow.data(),
                      static_cast<int>(narrow.size()), nullptr, nullptr);
  return narrow;
}

// A kernel handle, closed when the object goes away.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Closes now and reports whether that succeeded: for a file just written, the last chance
  // to learn of a write error.
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

// A lock of a byte range of an open file, held for the object's life. Lockers of the same
// range through other handles, in this process or another, wait for it.
class RangeLock {
 public:
  RangeLock(HANDLE file, bool exclusive, DWORD offsetHigh, DWORD offsetLow, DWORD length)
      : file_(file), length_(length) {
    overlapped_.Offset = offsetLow;
    overlapped_.OffsetHigh = offsetHigh;
    held_ = LockFileEx(file, exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, length, 0, &overlapped_);
  }
  ~RangeLock() {
    if (held_) UnlockFileEx(file_, 0, length_, 0, &overlapped_);
  }
  RangeLock(const RangeLock&) = delete;
  RangeLock& operator=(const RangeLock&) = delete;

  bool Held() const { return held_; }

 private:
  HANDLE file_;
  DWORD length_;
  OVERLAPPED overlapped_{};
  bool held_ = false;
};

// The byte that appenders lock to take turns: far beyond any file's end, where no reader
// reads. Windows itself keeps the writes of appending handles whole, and may refuse the lock
// through a handle that can only append; Wine does not keep them whole, and loses lines of
// concurrent appenders without it.
inline constexpr DWORD kAppendLockHigh = 0x7FFFFFFF;
inline constexpr DWORD kAppendLockLow = 0xFFFFFFF0;

// Others may read, write, rename and delete a file the simulator has open, as on POSIX.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace keydesk::sim
