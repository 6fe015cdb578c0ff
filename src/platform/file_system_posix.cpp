#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/file_system.h"

namespace keydesk {
namespace {

class PosixAppendFile final : public AppendFile {
 public:
  explicit PosixAppendFile(int fd) : fd_(fd) {}
  ~PosixAppendFile() override { ::close(fd_); }
  PosixAppendFile(const PosixAppendFile&) = delete;
  PosixAppendFile& operator=(const PosixAppendFile&) = delete;

  bool Append(std::span<const std::string_view> pieces) override {
    std::vector<iovec> vector;
    vector.reserve(pieces.size());
    size_t left = 0;
    for (const std::string_view piece : pieces) {
      if (piece.empty()) continue;
      vector.push_back({const_cast<char*>(piece.data()), piece.size()});
      left += piece.size();
    }
    iovec* next = vector.data();
    int count = static_cast<int>(vector.size());
    while (left > 0) {
      const ssize_t written = ::writev(fd_, next, count);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      // A short write (disk full, signal): go on with what is left.
      left -= static_cast<size_t>(written);
      for (size_t done = static_cast<size_t>(written); done > 0 && count > 0;) {
        const size_t step = std::min(done, next->iov_len);
        next->iov_base = static_cast<char*>(next->iov_base) + step;
        next->iov_len -= step;
        done -= step;
        if (next->iov_len == 0) {
          ++next;
          --count;
        }
      }
    }
    return true;
  }

 private:
  const int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) const override {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixAppendFile>(fd);
  }
};

}  // namespace

const FileSystem& RealFileSystem() {
  static const PosixFileSystem files;
  return files;
}

}  // namespace keydesk
