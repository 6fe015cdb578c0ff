#include "platform/resource_limits.h"

namespace keydesk {

// Windows sets no per-process limit on open sockets that could be raised.
void RaiseOpenFileLimit() {}

}  // namespace keydesk
