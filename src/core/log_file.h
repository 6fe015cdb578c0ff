#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/mutex.h"

namespace keydesk {

class Clock;
class TSysOption;

// Appends time-stamped lines to the log file of the day the run started. Each line opens,
// appends to and closes the file, so nothing is held open between calls. An input/output
// failure loses the line silently.
//
// Thread-safe: writes are serialised inside the process, so lines written at the same
// moment from several threads are neither lost nor interleaved.
class TLogFile {
 public:
  // The file name of a run started on startDay: folder, then yyyymmdd, then ".LOG".
  static std::string DailyFileName(std::string_view folder, DateTime startDay);

  // sysOption decides, at every write, whether anything is written (WriteLog); clock gives
  // the time stamps; files does the writing. All must outlive the log.
  TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
           const FileSystem& files = RealFileSystem());

  const std::string& FileName() const { return fileName_; }

  // Appends "yyyy-mm-dd hh:nn:ss " + message + CR LF when WriteLog is on. The message is
  // code page 936 text; line breaks inside it continue over several lines of the file.
  void Write(std::string_view message);

 private:
  const std::string fileName_;
  const TSysOption& sysOption_;
  const Clock& clock_;
  const FileSystem& files_;
  Mutex writeMutex_;                           // also serialises appending to fileName_
  std::string stamp_ GUARDED_BY(writeMutex_);  // the time stamp text of stampSecond_
  int64_t stampSecond_ GUARDED_BY(writeMutex_) = 0;
};

}  // namespace keydesk
