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

// One line waiting in the queue, on its writer's stack.
struct TLogFile::Line {
  std::string stamp;         // a copy: the kept stamp text changes while the line waits
  std::string_view message;  // the caller's, who waits until the line is written
  bool written = false;      // guarded by the log's mutex_
  CondVar done;              // waited on with the log's mutex_
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
  Line line;
  line.message = message;
  std::vector<Line*> batch;
  {
    MutexLock lock(mutex_);
    // Stamped when handed in, under the lock, so stamps never run backwards in the file.
    line.stamp = Stamp();
    queue_.push_back(&line);
    while (!line.written && queue_.front() != &line) line.done.Wait(mutex_);
    if (line.written) return;  // a leader wrote it
    // This line is at the head: write it with every line queued behind it.
    batch.assign(queue_.begin(), queue_.end());
  }
  WriteBatch(batch);
  MutexLock lock(mutex_);
  for (Line* written : batch) {
    queue_.pop_front();
    written->written = true;
    if (written != &line) written->done.Signal();
  }
  if (!queue_.empty()) queue_.front()->done.Signal();  // the next leader
}

void TLogFile::WriteBatch(const std::vector<Line*>& batch) {
  const std::unique_ptr<AppendFile> file = files_.OpenForAppend(fileName_);
  // An input/output failure loses the lines; their callers carry on, and only the status
  // tells the operator.
  if (file == nullptr) {
    Report(false);
    return;
  }
  // One buffer, one write: the lines stay whole even beside another program appending.
  size_t size = 0;
  for (const Line* line : batch) size += line->stamp.size() + line->message.size() + 2;
  std::string lines;
  lines.reserve(size);
  for (const Line* line : batch) {
    lines += line->stamp;
    lines += line->message;
    lines += kLineEnd;
  }
  const std::string_view piece = lines;
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
