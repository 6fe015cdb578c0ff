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

// Blocks SIGINT and SIGTERM in the calling thread; call it first in main, before any other
// thread exists, so that every thread inherits the mask and only RunHeadless sees them.
void BlockStopSignals();

// Starts the listener, prints the log pane's lines to out as UTF-8, waits for SIGINT or
// SIGTERM and shuts down as closing the window does. A listener that cannot start is
// reported on err with exit status 1.
HeadlessResult RunHeadless(Application& application, std::ostream& out, std::ostream& err);

}  // namespace keydesk
