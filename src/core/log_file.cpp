#include "core/log_file.h"

#include <vector>

#include "core/service_status.h"
#include "core/sys_option.h"
#include "platform/code_page.h"
#include "platform/paths.h"

namespace keydesk {

std::string TLogFile::DailyFileName(std::string_view folder, DateTime startDay) {
  return PathInFolder(folder, FormatDateTime("yyyymmdd", startDay) + ".LOG");
}

TLogFile::TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
                   const FileSystem& files, ServiceStatus* status, LogRetention* retention)
    : fileName_(std::move(fileName)),
      sysOption_(sysOption),
      writer_(
          {
              // Every line of the run goes to the file of the day it started, also after
              // midnight.
              .FileName = [this](DateTime) { return fileName_; },
              .Milliseconds = false,
              .Report = StampedLineWriter::ReportTo(status, ServiceStatus::Store::Log),
              .Retention = retention,
          },
          clock, files) {}

void TLogFile::Write(std::string_view message) {
  if (!sysOption_.WriteLog) return;
  Commit({&message, 1});
}

void TLogFile::WriteLines(std::span<const std::string> messages) {
  if (!sysOption_.WriteLog || messages.empty()) return;
  const std::vector<std::string_view> views(messages.begin(), messages.end());
  Commit(views);
}

void TLogFile::Commit(std::span<const std::string_view> messages) {
  // Nearly every line is readable as it is; only those that are not are copied.
  std::vector<std::string> repaired;
  std::vector<std::string_view> readable;
  for (size_t i = 0; i < messages.size(); ++i) {
    if (IsReadableAnsi(messages[i])) continue;
    if (readable.empty()) {
      readable.assign(messages.begin(), messages.end());
      repaired.reserve(messages.size());
    }
    readable[i] = repaired.emplace_back(ReadableAnsi(messages[i]));
  }
  writer_.Commit(readable.empty() ? messages : std::span<const std::string_view>(readable));
}

}  // namespace keydesk
