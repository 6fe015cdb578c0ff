#pragma once

namespace keydesk {

// The operator's request that a program without a window end: SIGINT or SIGTERM on POSIX;
// Ctrl+C, Ctrl+Break, closing the console, logging off or shutting down on Windows. One
// implementation per platform (stop_request_posix.cpp, stop_request_windows.cpp).

// Call first in main, before any other thread exists: POSIX blocks the signals, so that every
// thread inherits the mask and only WaitForStopRequest receives them; Windows installs the
// console's handler. Raises Error when the handler cannot be installed.
void InterceptStopRequests();

// Blocks until a stop is requested. Windows ends the process as soon as the handler of a
// closing console (or an ending session) returns, so that handler waits instead for the
// process to end: the caller shuts down and returns from main, within the few seconds that
// Windows allows, and the exit status is the program's own.
void WaitForStopRequest();

}  // namespace keydesk
