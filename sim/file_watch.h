// Tells, without a path lookup, whether a file may have changed since the last look.
#pragma once

#include <string>

#include "unique_fd.h"

namespace keydesk::sim {

// An inotify watch on one file: a write or truncation, a change of attributes or links (a
// file renamed over it, or its removal), or its moving away is reported, whoever does it and
// through whichever name. Reading the pending reports costs one read() where checking the
// file itself costs a stat() with its path lookup, which is most of what a simulated card
// read costs. Only the file is watched, not its folder: a watched folder would make every
// log line written beside the card more expensive.
//
// Conservative: whenever it cannot be sure (nothing watched, the kernel's queue overflowed,
// the process forked) it says the file may have changed. A symbolic link is followed when
// the watch is made, so the link itself can later point elsewhere unnoticed: the caller must
// not rely on a watch made through one. Not thread-safe: the caller serialises.
class FileWatch {
 public:
  FileWatch();

  // Watches the file now at path in place of any watched before. False when it cannot.
  bool Watch(const std::string& path);

  // Reads every pending report and says whether the file may have changed since the last
  // call. A change made after this call is reported by the next one.
  bool MayHaveChanged();

 private:
  UniqueFd descriptor_;
  int watched_ = -1;
  unsigned forkGeneration_ = 0;
};

}  // namespace keydesk::sim
