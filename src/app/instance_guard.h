#pragma once

#include <memory>
#include <string>

namespace keydesk {

class FolderLock;

// One keydesk of an interface kind per data folder: a second one would answer on no port and
// yet write into the first one's log and journal. Different kinds may share a folder, as
// each listens on a port of its own.
//
// The folder's lock for the kind, held until the result goes away; raises Error with the
// clerk's message (code page 936, naming the folder) when another keydesk of the kind runs on
// the folder, or when the lock cannot be taken at all (a symbolic link or no plain file at the
// lock file's name, a folder nobody may write): then no one can tell whether another runs.
std::unique_ptr<FolderLock> HoldFolderForKind(const std::string& folder, int interfaceKind);

}  // namespace keydesk
