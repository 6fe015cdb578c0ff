#include "platform/service_notify.h"

namespace keydesk {

// A Windows desk runs keydesk as a window or from a console; no service manager listens.
void NotifyServiceManager(std::string_view) {}

std::optional<std::chrono::microseconds> ServiceWatchdogInterval() { return std::nullopt; }

}  // namespace keydesk
