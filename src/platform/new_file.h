#pragma once

#include <optional>
#include <string>

namespace keydesk {

// Making a new file appear whole under its name, without ever replacing a file that is there
// (the record store's Client.mdb): it is built under a temporary name beside its place and
// then given its name in one step. One implementation per platform (new_file_posix.cpp,
// new_file_windows.cpp). Paths are the file system's narrow text (paths.h); reasons are the
// system's texts in code page 936. Thread-safe: nothing is shared between calls.

enum class PathState {
  Missing,   // nothing has the name
  File,      // a plain file
  NotAFile,  // a folder, a device, a pipe ...
  Unknown,   // cannot be examined (*reason says why)
};

PathState ExaminePath(const std::string& path, std::string* reason);

// A new empty file named path followed by a suffix that no other file has; none (with the
// reason) when it cannot be made. Readable by other users where the process's umask lets
// them (on POSIX the mode is 0644 less the umask).
std::optional<std::string> CreateUniqueFile(const std::string& path, std::string* reason);

enum class Placement {
  Placed,     // the file now has the name to, and no longer the name from
  NameTaken,  // a file has the name to already: both are left as they are
  Failed,     // *reason says why; from is left as it is
};

// Gives the file from the name to in one step, unless a file has that name already.
Placement PlaceWithoutReplacing(const std::string& from, const std::string& to,
                                std::string* reason);

}  // namespace keydesk
