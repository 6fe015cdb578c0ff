#include "core/log_file.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/service_status.h"
#include "core/sys_option.h"
#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace keydesk {

std::string TLogFile::DailyFileName(std::string_view folder, DateTime startDay) {
  return PathInFolder(folder, FormatDateTime("yyyymmdd", startDay) + ".LOG");
}

namespace {

// A stamped line is "yyyy-mm-dd hh:nn:ss ", the message and CR LF.
constexpr int64_t kStampAndEndBytes = 22;

// Whether a continuation line begins at i + 1 with a digit.
bool DigitAfterBreak(std::string_view message, size_t i) {
  return (message[i] == '\r' || message[i] == '\n') && i + 1 < message.size() &&
         message[i + 1] >= '0' && message[i + 1] <= '9';
}

// The message with a blank before every continuation line that would begin with a digit, so
// that no line but one Write began can look time-stamped; none when nothing needs it.
std::optional<std::string> Unforgeable(std::string_view message) {
  bool needed = false;
  for (size_t i = 0; i < message.size() && !needed; ++i) needed = DigitAfterBreak(message, i);
  if (!needed) return std::nullopt;
  std::string text;
  text.reserve(message.size() + 8);
  for (size_t i = 0; i < message.size(); ++i) {
    text.push_back(message[i]);
    if (DigitAfterBreak(message, i)) text.push_back(' ');
  }
  return text;
}

}  // namespace

TLogFile::TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
                   const FileSystem& files, ServiceStatus* status, LogRetention* retention,
                   uint64_t dayBudget)
    : fileName_(std::move(fileName)),
      sysOption_(sysOption),
      status_(status),
      dayBudget_(dayBudget),
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
  // Nearly every line is readable and unforgeable as it is; only those that are not are
  // copied.
  std::vector<std::string> repaired;
  std::vector<std::string_view> safe;
  int64_t bytes = 0;
  for (size_t i = 0; i < messages.size(); ++i) {
    bytes += static_cast<int64_t>(messages[i].size()) + kStampAndEndBytes;
    std::optional<std::string> fixed;
    if (!IsReadableAnsi(messages[i])) fixed = ReadableAnsi(messages[i]);
    if (auto unforgeable = Unforgeable(fixed ? std::string_view(*fixed) : messages[i])) {
      fixed = std::move(unforgeable);
    }
    if (!fixed) continue;
    if (safe.empty()) {
      safe.assign(messages.begin(), messages.end());
      repaired.reserve(messages.size());
    }
    safe[i] = repaired.emplace_back(std::move(*fixed));
  }
  writer_.Commit(safe.empty() ? messages : std::span<const std::string_view>(safe));
  if (dayBudget_ == 0) return;
  int64_t known = fileBytes_.load();
  if (known < 0) {
    // The file may have been written by an earlier run of the same day.
    const int64_t before = static_cast<int64_t>(FileSize(fileName_).value_or(0));
    fileBytes_.compare_exchange_strong(known, before);
    return;  // its size now holds these lines already
  }
  fileBytes_ += bytes;
}

bool TLogFile::OverBudget() {
  if (dayBudget_ == 0 || !sysOption_.WriteLog) return false;
  if (fileBytes_.load() < 0) {
    int64_t unknown = -1;
    fileBytes_.compare_exchange_strong(unknown,
                                       static_cast<int64_t>(FileSize(fileName_).value_or(0)));
  }
  if (static_cast<uint64_t>(fileBytes_.load()) < dayBudget_) return false;
  if (!overBudgetSaid_.exchange(true)) {
    const std::string warning =
        AnsiFromUtf8("今天的日志已达 " + std::to_string(dayBudget_ / (1024 * 1024)) +
                     " MB 的上限：此后请求的内容不再写入日志");
    Write(warning);
    if (status_ != nullptr) status_->LogOverBudget(warning);
  }
  return true;
}

std::string TLogFile::RequestText(std::string_view request) {
  const std::string length = std::to_string(request.size());
  if (OverBudget()) return AnsiFromUtf8("（请求内容没有写入，共 " + length + " 字节）");
  if (request.size() <= kRequestTextBytes) return std::string(request);
  // Cut between characters, never through a two-byte one.
  size_t cut = 0;
  while (cut < request.size()) {
    const size_t next = cut + std::max<size_t>(1, AnsiCharacterLength(request.substr(cut)));
    if (next > kRequestTextBytes) break;
    cut = next;
  }
  return std::string(request.substr(0, cut)) + AnsiFromUtf8("…（共 " + length + " 字节）");
}

}  // namespace keydesk
