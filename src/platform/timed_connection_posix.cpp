#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/socket.h"
#include "platform/timed_connection.h"

namespace keydesk {
namespace {

using Clock = std::chrono::steady_clock;
using Outcome = TimedConnection::Outcome;
using Status = TimedConnection::Status;

std::string ErrorText(int error) {
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);
}

// Waits until the descriptor is ready for events or the deadline passes; false then.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd poller{fd, events, 0};
    const int ready = ::poll(&poller, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return true;  // the next call reports the error
  }
}

struct AddressListDeleter {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

// A reset or a broken pipe: the peer has closed.
bool ClosedByPeer(int error) { return error == ECONNRESET || error == EPIPE; }

}  // namespace

struct TimedConnection::Native {
  Socket socket;
};

TimedConnection::TimedConnection(Clock::time_point deadline)
    : deadline_(deadline), native_(std::make_unique<Native>()) {}

TimedConnection::~TimedConnection() = default;

Outcome TimedConnection::Connect(const std::string& host, uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int error = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
      error != 0) {
    return {Status::UnknownHost, ::gai_strerror(error)};
  }
  const std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);
  int lastError = ECONNREFUSED;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    Socket socket(::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                           address->ai_protocol));
    if (!socket.IsOpen()) {
      lastError = errno;
      continue;
    }
    const int fd = socket.NativeHandle();
    if (::connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) {
        lastError = errno;
        continue;
      }
      if (!WaitFor(fd, POLLOUT, deadline_)) return {Status::TimedOut, {}};
      int error = 0;
      socklen_t length = sizeof error;
      ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) {
        lastError = error;
        continue;
      }
    }
    native_->socket = std::move(socket);
    return {};
  }
  if (lastError == ECONNREFUSED) return {Status::Refused, {}};
  return {Status::Failed, ErrorText(lastError)};
}

Outcome TimedConnection::SendAll(std::string_view bytes) {
  const int fd = native_->socket.NativeHandle();
  while (!bytes.empty()) {
    if (!WaitFor(fd, POLLOUT, deadline_)) return {Status::TimedOut, {}};
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
      bytes.remove_prefix(static_cast<size_t>(sent));
    } else if (ClosedByPeer(errno)) {
      return {Status::Closed, {}};
    } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return {Status::Failed, ErrorText(errno)};
    }
  }
  return {};
}

Outcome TimedConnection::ReceiveSome(std::string& into) {
  const int fd = native_->socket.NativeHandle();
  for (;;) {
    if (!WaitFor(fd, POLLIN, deadline_)) return {Status::TimedOut, {}};
    char chunk[4096];
    const ssize_t count = ::recv(fd, chunk, sizeof chunk, 0);
    if (count > 0) {
      into.append(chunk, static_cast<size_t>(count));
      return {};
    }
    if (count == 0 || ClosedByPeer(errno)) return {Status::Closed, {}};
    if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return {Status::Failed, ErrorText(errno)};
    }
  }
}

}  // namespace keydesk
