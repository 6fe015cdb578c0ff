#include "app/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "app/sys_option.h"
#include "platform/clock.h"

namespace keydesk {
namespace {

// Appends the whole text through one descriptor and closes it; false on any failure.
bool AppendToFile(const std::string& fileName, std::string_view text) {
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ok = false;
      break;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
  return ::close(fd) == 0 && ok;
}

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
  std::lock_guard lock(writeMutex_);
  // The stamp is taken under the lock so that the file's lines stay in time order.
  std::string line = FormatDateTime("yyyy-mm-dd hh:nn:ss ", clock_.Now());
  line.append(message);
  line.append("\r\n");
  // An input/output failure loses the line; the caller carries on.
  AppendToFile(fileName_, line);
}

}  // namespace keydesk
