#include "core/log_file.h"

#include "core/service_status.h"
#include "core/sys_option.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

// One caller's lines waiting in the queue, on its stack.
struct TLogFile::Lines {
  std::string stamp;  // a copy: the kept stamp text changes while the lines wait
  std::span<const std::string_view> messages;  // the caller's, who waits until they are written
  bool written = false;                        // guarded by the log's mutex_
  CondVar done;                                // waited on with the log's mutex_
};

std::string TLogFile::DailyFileName(std::string_view folder, DateTime startDay) {
  return PathInFolder(folder, FormatDateTime("yyyymmdd", startDay) + ".LOG");
}

TLogFile::TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
                   const FileSystem& files, ServiceStatus* status)
    : fileName_(std::move(fileName)),
      sysOption_(sysOption),
      clock_(clock),
      files_(files),
      status_(status) {}

std::string_view TLogFile::Stamp() {
  const int64_t second = clock_.Now().Milliseconds() / kMillisecondsPerSecond;
  if (second != stampSecond_ || stamp_.empty()) {
    stampSecond_ = second;
    stamp_ = FormatDateTime("yyyy-mm-dd hh:nn:ss ",
                            DateTime::FromMilliseconds(second * kMillisecondsPerSecond));
  }
  return stamp_;
}

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
  Lines lines;
  lines.messages = messages;
  std::vector<Lines*> batch;
  {
    MutexLock lock(mutex_);
    // Stamped when handed in, under the lock, so stamps never run backwards in the file.
    lines.stamp = Stamp();
    queue_.push_back(&lines);
    while (!lines.written && queue_.front() != &lines) lines.done.Wait(mutex_);
    if (lines.written) return;  // a leader wrote them
    // These lines are at the head: write them with every line queued behind them.
    batch.assign(queue_.begin(), queue_.end());
  }
  WriteBatch(batch);
  MutexLock lock(mutex_);
  for (Lines* written : batch) {
    queue_.pop_front();
    written->written = true;
    if (written != &lines) written->done.Signal();
  }
  if (!queue_.empty()) queue_.front()->done.Signal();  // the next leader
}

void TLogFile::WriteBatch(const std::vector<Lines*>& batch) {
  const std::unique_ptr<AppendFile> file = files_.OpenForAppend(fileName_);
  // An input/output failure loses the lines; their callers carry on, and only the status
  // tells the operator.
  if (file == nullptr) {
    Report(false);
    return;
  }
  // One buffer, one write: the lines stay whole even beside another program appending.
  size_t size = 0;
  for (const Lines* lines : batch) {
    for (const std::string_view message : lines->messages) {
      size += lines->stamp.size() + message.size() + kLineEnd.size();
    }
  }
  std::string text;
  text.reserve(size);
  for (const Lines* lines : batch) {
    for (const std::string_view message : lines->messages) {
      text += lines->stamp;
      text += message;
      text += kLineEnd;
    }
  }
  const std::string_view piece = text;
  Report(file->Append({&piece, 1}));
}

void TLogFile::Report(bool written) {
  if (status_ == nullptr) return;
  if (written) {
    status_->WriteSucceeded(ServiceStatus::Store::Log);
  } else {
    status_->WriteFailed(ServiceStatus::Store::Log, AnsiFromUtf8(fileName_));  // paths are UTF-8
  }
}

size_t TLogFile::Queued() const {
  MutexLock lock(mutex_);
  return queue_.size();
}

}  // namespace keydesk
