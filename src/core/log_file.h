#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
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
// request's numeric reference can make either), is written as "?". A message's own line
// breaks continue it over several lines, but only a line that Write begins starts with a
// time stamp: a continuation line that would begin with a digit (a request's line break
// before a date of its own making) is written with a blank in front.
//
// What a request brings is bounded: its text is cut at kRequestTextBytes (RequestText), and
// once the file holds dayBudget bytes, request texts are left out for the rest of the file's
// day, said once in the file and to the service status.
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
  // dayBudget: the file's size past which request texts are left out; zero: no bound.
  TLogFile(std::string fileName, const TSysOption& sysOption, const Clock& clock,
           const FileSystem& files = RealFileSystem(), ServiceStatus* status = nullptr,
           LogRetention* retention = nullptr, uint64_t dayBudget = 0);

  static constexpr size_t kRequestTextBytes = 4096;

  const std::string& FileName() const { return fileName_; }

  // Appends "yyyy-mm-dd hh:nn:ss " + message + CR LF when WriteLog is on. The message is
  // code page 936 text; line breaks inside it continue over several lines of the file.
  void Write(std::string_view message);
  // Writes lines that are ready together as Write would one after the other, but in one
  // open, write and close; they keep their order and nothing comes between them.
  void WriteLines(std::span<const std::string> messages);

  // A request's text as the log is to show it (code page 936): cut at kRequestTextBytes with
  // its length ("…（共 16384 字节）"), or, past the day's budget, a word that it is left out.
  std::string RequestText(std::string_view request);

  // Lines handed in and not yet written.
  size_t Queued() const { return writer_.Queued(); }

 private:
  void Commit(std::span<const std::string_view> messages);
  // Whether the file holds the day's budget; says so once when it first does.
  bool OverBudget();

  const std::string fileName_;
  const TSysOption& sysOption_;
  ServiceStatus* const status_;
  const uint64_t dayBudget_;
  StampedLineWriter writer_;
  // Bytes in the file: its size when first written to, and what was written since.
  std::atomic<int64_t> fileBytes_{-1};
  std::atomic<bool> overBudgetSaid_{false};
};

}  // namespace keydesk
