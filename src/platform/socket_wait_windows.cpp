#include <winsock2.h>

#include "platform/socket_wait.h"

namespace keydesk {

// select, not WSAPoll, as for the PMS's connections (timed_connection_windows.cpp): a failure
// shows in the exception set. Winsock has no signals to interrupt the wait.
SocketWaitResult WaitForSocket(NativeSocket socket, SocketInterest interest,
                               std::chrono::milliseconds limit) {
  const auto handle = static_cast<SOCKET>(socket);
  fd_set readable;
  fd_set writable;
  fd_set failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(handle, &readable);
  if (interest == SocketInterest::ReadOrWrite) FD_SET(handle, &writable);
  FD_SET(handle, &failed);
  const auto left = limit.count() > 0 ? limit.count() : 0;
  timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
  const int count = ::select(0, &readable, &writable, &failed, &wait);
  if (count > 0) return SocketWaitResult::Ready;
  if (count == 0) return SocketWaitResult::TimedOut;
  return SocketWaitResult::Failed;
}

}  // namespace keydesk
