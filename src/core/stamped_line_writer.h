#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/service_status.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/mutex.h"

namespace keydesk {

class Clock;
class LogRetention;

// Appends time-stamped lines to a log file: "yyyy-mm-dd hh:nn:ss " (or with ".zzz"
// milliseconds before the blank), the message, CR LF. The file is opened for each write and
// closed after it, so nothing is held open between writes and another program may read or move
// the file at any time; a line is in the file before the call that hands it in returns.
//
// Thread-safe. Lines handed in while another thread has the file open wait in a queue; the
// thread at its head then writes them all in one open, write and close (group commit), and
// each caller returns once its own lines are written. Lines keep the order in which they were
// handed in, so one caller's lines keep their order, and none is lost or interleaved.
class StampedLineWriter {
 public:
  struct Settings {
    // The file for lines stamped on a day (the time's date part).
    std::function<std::string(DateTime day)> FileName;
    bool Milliseconds = false;
    // Told after every write whether it worked, with the file's path.
    std::function<void(bool written, const std::string& path)> Report;
    LogRetention* Retention = nullptr;  // told of every write's time, if given
    // Keeps the file open for the rest of the second in which it was opened, so that lines
    // written one after the other cost one open a second instead of one each; a file moved
    // away meanwhile gets the lines of that second yet.
    bool KeepOpenForASecond = false;
  };

  // A Report that tells status (if not null) of the writes to the store it names.
  static std::function<void(bool written, const std::string& path)> ReportTo(
      ServiceStatus* status, ServiceStatus::Store store);

  // clock and files (and the retention) must outlive the writer.
  StampedLineWriter(Settings settings, const Clock& clock, const FileSystem& files);

  // Hands the messages in as one unit and returns once they are written, or lost to an
  // input/output failure. They keep their order and nothing comes between them.
  void Commit(std::span<const std::string_view> messages) EXCLUDES(mutex_);

  // Lines handed in and not yet written.
  size_t Queued() const EXCLUDES(mutex_);

 private:
  struct Lines;

  // The stamp of now, its seconds kept because many lines share a second.
  std::string Stamp(DateTime now) REQUIRES(mutex_);
  // Writes the lines, in their order, with one open, write and close per file.
  void WriteBatch(const std::vector<Lines*>& batch) EXCLUDES(mutex_);
  void WriteFile(int64_t day, std::span<Lines* const> lines);

  // The file kept open, with its path and the second it was opened in. Only the thread that
  // writes a batch touches it, one at a time: the queue's lock passes it on.
  struct OpenFile {
    std::string Path;
    std::unique_ptr<AppendFile> File;
    int64_t Second = -1;
  };

  const Settings settings_;
  OpenFile kept_;
  const Clock& clock_;
  const FileSystem& files_;
  mutable Mutex mutex_;
  std::deque<Lines*> queue_ GUARDED_BY(mutex_);  // the head is being written or writes next
  std::string secondText_ GUARDED_BY(mutex_);    // "yyyy-mm-dd hh:nn:ss" of stampSecond_
  int64_t stampSecond_ GUARDED_BY(mutex_) = 0;
};

}  // namespace keydesk
