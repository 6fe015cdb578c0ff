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
// clerk's message (code page 936) when another keydesk of the kind runs on the folder. A
// folder where no lock file can be made (nobody may write there) is not refused: the program
// runs as it would without the lock.
std::unique_ptr<FolderLock> HoldFolderForKind(const std::string& folder, int interfaceKind);

}  // namespace keydesk
