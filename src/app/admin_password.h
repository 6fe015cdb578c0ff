#pragma once

#include <string_view>

namespace keydesk {

class TSysOption;

// The administrator password's rules behind the password prompt and the change dialog.
// Entries are code page 936 text as typed; trimming removes every leading and trailing
// character whose code is at most that of the blank. Main thread only, like every change of
// the password.

// True when the trimmed entry equals the stored password character by character: letter
// case counts, and the stored password is taken as it is, untrimmed.
bool AdminPasswordMatches(const TSysOption& sysOption, std::string_view entry);

// Trims both entries. When they differ, returns false and changes nothing. When they are
// equal (both empty included), sets Password to the trimmed entry, saves the system options
// and returns true. Raises IoError "Unable to write to %s" when saving fails; the new password
// is then already in effect in memory.
bool ChangeAdminPasswordTo(TSysOption& sysOption, std::string_view entry,
                           std::string_view confirmation);

}  // namespace keydesk
