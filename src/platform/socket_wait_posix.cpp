#include <poll.h>

#include <cerrno>

#include "platform/socket_wait.h"

namespace keydesk {

SocketWaitResult WaitForSocket(NativeSocket socket, SocketInterest interest,
                               std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  const short events = interest == SocketInterest::Read ? POLLIN : POLLIN | POLLOUT;
  auto left = limit.count() > 0 ? limit.count() : 0;
  for (;;) {
    pollfd descriptor{socket, events, 0};
    const int ready = ::poll(&descriptor, 1, static_cast<int>(left));
    if (ready > 0) return SocketWaitResult::Ready;
    if (ready == 0) return SocketWaitResult::TimedOut;
    if (errno != EINTR) return SocketWaitResult::Failed;
    left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return SocketWaitResult::TimedOut;
  }
}

}  // namespace keydesk
