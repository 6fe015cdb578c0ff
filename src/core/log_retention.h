#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/date_time.h"

namespace keydesk {

// Removes the daily logs ("yyyymmdd.LOG") and access logs ("Accessyyyymmdd.log") of a folder
// whose day lies more than KeepDays days before the day of writing, and that nothing has
// written to for as long, so that a flood of requests cannot fill the disk for ever. It runs
// at the first write of each new day, from whichever log writes first. The log file of the
// running day is never removed, whatever its name, nor is any other file.
//
// Thread-safe: one run per day, however many writers arrive at once.
class LogRetention {
 public:
  // keepDays 0 keeps every log. keep is the running daily log's path, which stays whatever
  // its day (a run keeps writing to the file of the day it started).
  LogRetention(std::string folder, int keepDays, std::string keep);

  // Called with the time of every write; removes old logs when now begins a new day.
  void Written(DateTime now);

 private:
  void RemoveOldLogs(int64_t today) const;

  const std::string folder_;
  const int keepDays_;
  const std::string keep_;
  std::atomic<int64_t> lastDay_{-1};  // the last day whose old logs were removed
};

}  // namespace keydesk
