#include "core/log_file.h"

#include <array>

#include "core/sys_option.h"
#include "platform/clock.h"

namespace keydesk {
namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;

}  // namespace

std::string TLogFile::DailyFileName(std::string_view folder, DateTime startDay) {
  std::string name(folder);
  if (!name.empty() && name.back() != '/') name += '/';
  return name + FormatDateTime("yyyymmdd", startDay) + ".LOG";
}

TLogFile::TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
                   const FileSystem& files)
    : fileName_(std::move(fileName)), sysOption_(sysOption), clock_(clock), files_(files) {}

void TLogFile::Write(std::string_view message) {
  if (!sysOption_.WriteLog) return;
  // Opening and closing happen outside the lock; only the stamp and the write are
  // serialised, which keeps the lines whole and in time order.
  const std::unique_ptr<AppendFile> file = files_.OpenForAppend(fileName_);
  // An input/output failure loses the line; the caller carries on.
  if (file == nullptr) return;
  MutexLock lock(writeMutex_);
  // Many lines share a second, so its stamp text is kept.
  const int64_t second = clock_.Now().Milliseconds() / kMillisecondsPerSecond;
  if (second != stampSecond_ || stamp_.empty()) {
    stampSecond_ = second;
    stamp_ = FormatDateTime("yyyy-mm-dd hh:nn:ss ",
                            DateTime::FromMilliseconds(second * kMillisecondsPerSecond));
  }
  const std::array<std::string_view, 3> pieces{stamp_, message, "\r\n"};
  file->Append(pieces);
}

}  // namespace keydesk
