#include "core/stamped_line_writer.h"

#include <chrono>

#include "core/log_retention.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;
constexpr int64_t kMillisecondsPerDay = 86'400'000;
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

// One caller's lines waiting in the queue, on its stack.
struct StampedLineWriter::Lines {
  DateTime time;
  std::string stamp;
  std::span<const std::string_view> messages;  // the caller's, who waits until they are written
  bool written = false;                        // guarded by the writer's mutex_
  CondVar done;                                // waited on with the writer's mutex_
};

std::function<void(bool written, const std::string& path)> StampedLineWriter::ReportTo(
    ServiceStatus* status, ServiceStatus::Store store) {
  return [status, store](bool written, const std::string& path) {
    if (status == nullptr) return;
    if (written) {
      status->WriteSucceeded(store);
    } else {
      // Paths are the file system's text; the status is code page 936.
      status->WriteFailed(store, AnsiFromPath(path));
    }
  };
}

StampedLineWriter::StampedLineWriter(Settings settings, const Clock& clock, const FileSystem& files)
    : settings_(std::move(settings)), clock_(clock), files_(files) {}

std::string StampedLineWriter::Stamp(DateTime now) {
  const int64_t second = now.Milliseconds() / kMillisecondsPerSecond;
  if (second != stampSecond_ || secondText_.empty()) {
    stampSecond_ = second;
    secondText_ = FormatDateTime("yyyy-mm-dd hh:nn:ss",
                                 DateTime::FromMilliseconds(second * kMillisecondsPerSecond));
  }
  std::string stamp = secondText_;
  if (settings_.Milliseconds) {
    const int64_t millisecond = now.Milliseconds() % kMillisecondsPerSecond;
    stamp += '.';
    stamp += static_cast<char>('0' + millisecond / 100);
    stamp += static_cast<char>('0' + millisecond / 10 % 10);
    stamp += static_cast<char>('0' + millisecond % 10);
  }
  stamp += ' ';
  return stamp;
}

void StampedLineWriter::Commit(std::span<const std::string_view> messages) {
  Lines lines;
  lines.messages = messages;
  std::vector<Lines*> batch;
  {
    MutexLock lock(mutex_);
    // Stamped when handed in, under the lock, so stamps never run backwards in the file.
    lines.time = clock_.Now();
    lines.stamp = Stamp(lines.time);
    queue_.push_back(&lines);
    while (!lines.written && queue_.front() != &lines) lines.done.Wait(mutex_);
    if (!lines.written) {
      // These lines are at the head: write them with every line queued behind them.
      batch.assign(queue_.begin(), queue_.end());
    }
  }
  if (!batch.empty()) {
    try {
      WriteBatch(batch);
    } catch (...) {
      // Lost as an input/output failure's lines are; those queued must not wait for ever.
    }
    MutexLock lock(mutex_);
    for (Lines* written : batch) {
      queue_.pop_front();
      written->written = true;
      if (written != &lines) written->done.Signal();
    }
    if (!queue_.empty()) queue_.front()->done.Signal();  // the next leader
  }
  if (settings_.Retention != nullptr) settings_.Retention->Written(lines.time);
}

void StampedLineWriter::WriteBatch(const std::vector<Lines*>& batch) {
  // Lines of one day go to one file; a batch spans two days only around midnight.
  size_t first = 0;
  for (size_t i = 1; i <= batch.size(); ++i) {
    const int64_t day = batch[first]->time.Milliseconds() / kMillisecondsPerDay;
    if (i < batch.size() && batch[i]->time.Milliseconds() / kMillisecondsPerDay == day) continue;
    WriteFile(day, std::span<Lines* const>(batch).subspan(first, i - first));
    first = i;
  }
}

void StampedLineWriter::WriteFile(int64_t day, std::span<Lines* const> lines) {
  const std::string path =
      settings_.FileName(DateTime::FromMilliseconds(day * kMillisecondsPerDay));
  const int64_t second = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
  std::unique_ptr<AppendFile> opened;
  AppendFile* file = nullptr;
  if (settings_.KeepOpenForASecond && kept_.File != nullptr && kept_.Path == path &&
      kept_.Second == second) {
    file = kept_.File.get();
  } else {
    kept_.File.reset();
    opened = files_.OpenForAppend(path);
    file = opened.get();
    if (settings_.KeepOpenForASecond && opened != nullptr) {
      kept_ = {path, std::move(opened), second};
    }
  }
  // An input/output failure loses the lines; their callers carry on, and only the report
  // tells the operator.
  if (file == nullptr) {
    if (settings_.Report) settings_.Report(false, path);
    return;
  }
  // One buffer, one write: the lines stay whole even beside another program appending.
  size_t size = 0;
  for (const Lines* unit : lines) {
    for (const std::string_view message : unit->messages) {
      size += unit->stamp.size() + message.size() + kLineEnd.size();
    }
  }
  std::string text;
  text.reserve(size);
  for (const Lines* unit : lines) {
    for (const std::string_view message : unit->messages) {
      text += unit->stamp;
      text += message;
      text += kLineEnd;
    }
  }
  const std::string_view piece = text;
  const bool written = file->Append({&piece, 1});
  if (!written) kept_.File.reset();  // the next lines try a fresh open
  if (settings_.Report) settings_.Report(written, path);
}

size_t StampedLineWriter::Queued() const {
  MutexLock lock(mutex_);
  return queue_.size();
}

}  // namespace keydesk
