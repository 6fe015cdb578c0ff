#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "core/stamped_line_writer.h"
#include "platform/date_time.h"
#include "platform/file_system.h"

namespace keydesk {

class Clock;
class LogRetention;
class ServiceStatus;
class TSysOption;

// Appends time-stamped lines to the log file of the day the run started. The file is opened
// for each write and closed after it, so nothing is held open between writes and another
// program may read or move the file at any time; a line is in the file before Write returns.
// An input/output failure loses the line silently. The file stays code page 936 that any
// reader reads to the end: a NUL, or a byte that begins no character of the code page (a
// request's numeric reference can make either), is written as "?".
//
// Thread-safe, with the group commit of StampedLineWriter: lines keep the order in which they
// were handed in, and none is lost or interleaved.
class TLogFile {
 public:
  // The file name of a run started on startDay: folder, then yyyymmdd, then ".LOG".
  static std::string DailyFileName(std::string_view folder, DateTime startDay);

  // sysOption decides, at every write, whether anything is written (WriteLog); clock gives
  // the time stamps; files does the writing; status, if given, hears whether writes fail;
  // retention, if given, removes old logs at the first write of each day. All must outlive
  // the log.
  TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
           const FileSystem& files = RealFileSystem(), ServiceStatus* status = nullptr,
           LogRetention* retention = nullptr);

  const std::string& FileName() const { return fileName_; }

  // Appends "yyyy-mm-dd hh:nn:ss " + message + CR LF when WriteLog is on. The message is
  // code page 936 text; line breaks inside it continue over several lines of the file.
  void Write(std::string_view message);
  // Writes lines that are ready together as Write would one after the other, but in one
  // open, write and close; they keep their order and nothing comes between them.
  void WriteLines(std::span<const std::string> messages);

  // Lines handed in and not yet written.
  size_t Queued() const { return writer_.Queued(); }

 private:
  void Commit(std::span<const std::string_view> messages);

  const std::string fileName_;
  const TSysOption& sysOption_;
  StampedLineWriter writer_;
};

}  // namespace keydesk
