#pragma once

#include <iosfwd>

namespace keydesk {

class Application;

// What a run without a window ended with.
struct HeadlessResult {
  int ExitStatus = 0;
  // Connection threads did not end in time; the process must end without freeing what
  // they still use.
  bool ThreadsLeftRunning = false;
};

// Starts the listener, prints the log pane's lines to out as UTF-8, waits for a stop request
// (SIGINT or SIGTERM; Ctrl+C, Ctrl+Break or closing the console on Windows: see
// platform/stop_request.h, which main must intercept first) and shuts down as closing the
// window does. A listener that cannot start is reported on err with exit status 1.
HeadlessResult RunHeadless(Application& application, std::ostream& out, std::ostream& err);

}  // namespace keydesk
