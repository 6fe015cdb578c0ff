#pragma once

namespace keydesk {

// Raises the soft limit of open files to the hard limit: every PMS connection holds a
// descriptor, and connections are not limited in number.
void RaiseOpenFileLimit();

}  // namespace keydesk
