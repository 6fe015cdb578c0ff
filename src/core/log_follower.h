#pragma once

#include <cstdint>
#include <string>

namespace keydesk {

// Reads a log file as it grows, for the operator's log view: each call gives the whole lines
// added since the last call (code page 936 bytes, line ends kept), from the file's start at
// the first call. A file that shrank (moved away and begun anew) is read again from its start.
// Opens the file only while reading, so the log's writer and anyone moving the file are never
// in the way. Not thread-safe.
class LogFollower {
 public:
  explicit LogFollower(std::string fileName) : fileName_(std::move(fileName)) {}

  struct Lines {
    bool Restarted = false;  // the file began anew: what was shown before is gone from it
    std::string Text;
  };
  Lines ReadNew();

 private:
  const std::string fileName_;
  uint64_t offset_ = 0;
};

}  // namespace keydesk
