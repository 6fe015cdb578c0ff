#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace keydesk {

// Tells the service manager how the service stands ("READY=1" once it serves, "STOPPING=1"
// when it stops), where it asked to be told: on Linux the datagram socket named by
// NOTIFY_SOCKET, as systemd's Type=notify sets it. Does nothing where none was asked for, and
// a message that cannot be sent is dropped: the service goes on either way.
void NotifyServiceManager(std::string_view state);

// How often the service manager wants "WATCHDOG=1" at the latest (systemd's WatchdogSec, as
// WATCHDOG_USEC for this process); none when it watches nothing.
std::optional<std::chrono::microseconds> ServiceWatchdogInterval();

}  // namespace keydesk
