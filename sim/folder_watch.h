// Tells, without a path lookup, whether a file may have changed since the last look.
#pragma once

#include <string>

#include "unique_fd.h"

namespace keydesk::sim {

// An inotify watch on the folder of one file: every entry of that folder that is created,
// removed, renamed, written to or changed in its attributes is reported, whoever does it.
// Reading the pending reports costs one read() where checking the file itself costs a stat()
// with its path lookup, which is most of what a simulated card read costs.
//
// Conservative: whenever it cannot be sure (no watch could be made, the folder itself went
// away, the kernel's queue overflowed, the process forked) it says the file may have
// changed. A file reached through a symbolic link or a second hard link can change without
// an entry of this folder changing; the caller must not rely on a watch for such a file.
// Not thread-safe: the caller serialises.
class FolderWatch {
 public:
  explicit FolderWatch(const std::string& filePath);

  // False when no watch could be made; MayHaveChanged() then always answers true.
  bool Active() const { return descriptor_.Valid(); }

  // Reads every pending report and says whether one of them concerned the file (or the
  // watch lost track). A change made after this call is reported by the next one.
  bool MayHaveChanged();

 private:
  UniqueFd descriptor_;
  std::string fileName_;
  unsigned forkGeneration_ = 0;
  bool lostTrack_ = false;
};

}  // namespace keydesk::sim
