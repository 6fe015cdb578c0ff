#pragma once

#include <chrono>

#include "platform/socket.h"

namespace keydesk {

// Waiting on a socket that a library owns and reads and writes itself without blocking (libpq's
// connection to its server), so that the caller bounds how long it waits.
enum class SocketInterest { Read, ReadOrWrite };
enum class SocketWaitResult { Ready, TimedOut, Failed };

// Waits at most limit until the socket is ready for interest; a limit of zero only looks. A
// socket that failed or was closed counts as ready: the library's next call reports it. A
// wait that a signal interrupts goes on for the time left.
SocketWaitResult WaitForSocket(NativeSocket socket, SocketInterest interest,
                               std::chrono::milliseconds limit);

}  // namespace keydesk
