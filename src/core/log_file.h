#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/mutex.h"

namespace keydesk {

class Clock;
class ServiceStatus;
class TSysOption;

// Appends time-stamped lines to the log file of the day the run started. The file is opened
// for each write and closed after it, so nothing is held open between writes and another
// program may read or move the file at any time; a line is in the file before Write returns.
// An input/output failure loses the line silently.
//
// Thread-safe. Lines handed in while another thread has the file open wait in a queue; the
// thread at its head then writes them all in one open, write and close (group commit), and
// each caller returns once its own line is written. Lines keep the order in which they were
// handed in, so one caller's lines keep their order, and none is lost or interleaved.
class TLogFile {
 public:
  // The file name of a run started on startDay: folder, then yyyymmdd, then ".LOG".
  static std::string DailyFileName(std::string_view folder, DateTime startDay);

  // sysOption decides, at every write, whether anything is written (WriteLog); clock gives
  // the time stamps; files does the writing; status, if given, hears whether writes fail.
  // All must outlive the log.
  TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
           const FileSystem& files = RealFileSystem(), ServiceStatus* status = nullptr);

  const std::string& FileName() const { return fileName_; }

  // Appends "yyyy-mm-dd hh:nn:ss " + message + CR LF when WriteLog is on. The message is
  // code page 936 text; line breaks inside it continue over several lines of the file.
  void Write(std::string_view message) EXCLUDES(mutex_);
  // Writes lines that are ready together as Write would one after the other, but in one
  // open, write and close; they keep their order and nothing comes between them.
  void WriteLines(std::span<const std::string> messages) EXCLUDES(mutex_);

  // Lines handed in and not yet written.
  size_t Queued() const EXCLUDES(mutex_);

 private:
  struct Lines;

  // Hands the messages in as one unit and returns once they are written.
  void Commit(std::span<const std::string_view> messages) EXCLUDES(mutex_);
  // The stamp of the current second, kept because many lines share a second.
  std::string_view Stamp() REQUIRES(mutex_);
  // Writes the lines, in their order, in one open, write and close.
  void WriteBatch(const std::vector<Lines*>& batch) EXCLUDES(mutex_);
  void Report(bool written) EXCLUDES(mutex_);

  const std::string fileName_;
  const TSysOption& sysOption_;
  const Clock& clock_;
  const FileSystem& files_;
  ServiceStatus* const status_;
  mutable Mutex mutex_;
  std::deque<Lines*> queue_ GUARDED_BY(mutex_);  // the head is being written or writes next
  std::string stamp_ GUARDED_BY(mutex_);         // the time stamp text of stampSecond_
  int64_t stampSecond_ GUARDED_BY(mutex_) = 0;
};

}  // namespace keydesk
