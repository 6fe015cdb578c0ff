#include "app/log_file.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "app/sys_option.h"
#include "platform/clock.h"

namespace keydesk {
namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;

// Appends the pieces with one write, so that a line stays whole whoever else appends.
bool WriteLine(int fd, iovec* pieces, int count) {
  size_t left = 0;
  for (int i = 0; i < count; ++i) left += pieces[i].iov_len;
  while (left > 0) {
    const ssize_t written = ::writev(fd, pieces, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    // A short write (disk full, signal): go on with what is left.
    left -= static_cast<size_t>(written);
    for (size_t done = static_cast<size_t>(written); done > 0 && count > 0;) {
      const size_t step = std::min(done, pieces->iov_len);
      pieces->iov_base = static_cast<char*>(pieces->iov_base) + step;
      pieces->iov_len -= step;
      done -= step;
      if (pieces->iov_len == 0) {
        ++pieces;
        --count;
      }
    }
  }
  return true;
}

// The log file opened for one line and closed after it.
class LineFile {
 public:
  explicit LineFile(const std::string& fileName)
      : fd_(::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644)) {}
  ~LineFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string TLogFile::DailyFileName(std::string_view folder, DateTime startDay) {
  std::string name(folder);
  if (!name.empty() && name.back() != '/') name += '/';
  return name + FormatDateTime("yyyymmdd", startDay) + ".LOG";
}

TLogFile::TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock)
    : fileName_(std::move(fileName)), sysOption_(sysOption), clock_(clock) {}

void TLogFile::Write(std::string_view message) {
  if (!sysOption_.WriteLog) return;
  // Opening and closing happen outside the lock; only the stamp and the write are
  // serialised, which keeps the lines whole and in time order.
  LineFile file(fileName_);
  // An input/output failure loses the line; the caller carries on.
  if (!file.IsOpen()) return;
  std::lock_guard lock(writeMutex_);
  // Many lines share a second, so its stamp text is kept.
  const int64_t second = clock_.Now().Milliseconds() / kMillisecondsPerSecond;
  if (second != stampSecond_ || stamp_.empty()) {
    stampSecond_ = second;
    stamp_ = FormatDateTime("yyyy-mm-dd hh:nn:ss ",
                            DateTime::FromMilliseconds(second * kMillisecondsPerSecond));
  }
  static constexpr char kLineEnd[] = "\r\n";
  iovec pieces[3] = {{stamp_.data(), stamp_.size()},
                     {const_cast<char*>(message.data()), message.size()},
                     {const_cast<char*>(kLineEnd), 2}};
  WriteLine(file.Fd(), pieces, 3);
}

}  // namespace keydesk
