#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "client/pms_connection.h"
#include "platform/socket.h"

namespace keydesk::client {
namespace {

using Clock = std::chrono::steady_clock;

std::string ErrorText(int error) {
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);
}

// "30", "0.5": the time limit as it was given.
std::string SecondsText(int milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", milliseconds / 1000.0);
  return text;
}

Exchange Problem(Exchange::Outcome outcome, std::string problem) {
  return {outcome, {}, std::move(problem)};
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

// Connects a non-blocking socket; the exchange's problem when that fails.
std::optional<Exchange> Connect(const std::string& host, uint16_t port, Clock::time_point deadline,
                                Socket& connected) {
  const std::string where = host + ":" + std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int error = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
      error != 0) {
    return Problem(Exchange::Outcome::Failed,
                   "cannot find the host '" + host + "': " + ::gai_strerror(error));
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
      if (!WaitFor(fd, POLLOUT, deadline)) {
        return Problem(Exchange::Outcome::TimedOut, "could not connect to " + where + " in time");
      }
      int error = 0;
      socklen_t length = sizeof error;
      ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) {
        lastError = error;
        continue;
      }
    }
    connected = std::move(socket);
    return std::nullopt;
  }
  if (lastError == ECONNREFUSED) {
    return Problem(Exchange::Outcome::Refused,
                   "nothing listens on " + where + " (connection refused)");
  }
  return Problem(Exchange::Outcome::Failed,
                 "cannot connect to " + where + ": " + ErrorText(lastError));
}

// keydesk closes a connection at once when it cannot read the request; a send or receive
// that finds it closed (reset, broken pipe) means just that.
bool ClosedByPeer(int error) { return error == ECONNRESET || error == EPIPE; }

const char* const kClosedWithoutResponse =
    "keydesk closed the connection without a response: it could not read the request";

}  // namespace

Exchange SendRequest(const std::string& host, uint16_t port, std::string_view frame,
                     int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const std::string where = host + ":" + std::to_string(port);
  const auto timedOut = [&] {
    return Problem(Exchange::Outcome::TimedOut,
                   "no response from " + where + " within " + SecondsText(timeoutMs) + " s");
  };
  Socket socket;
  if (std::optional<Exchange> problem = Connect(host, port, deadline, socket)) return *problem;
  const int fd = socket.NativeHandle();

  while (!frame.empty()) {
    if (!WaitFor(fd, POLLOUT, deadline)) return timedOut();
    const ssize_t sent = ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
      frame.remove_prefix(static_cast<size_t>(sent));
    } else if (ClosedByPeer(errno)) {
      return Problem(Exchange::Outcome::ClosedWithoutResponse, kClosedWithoutResponse);
    } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return Problem(Exchange::Outcome::Failed, "sending to " + where + ": " + ErrorText(errno));
    }
  }

  std::string received;
  for (;;) {
    if (const size_t nul = received.find('\0'); nul != std::string::npos) {
      received.resize(nul);
      return {Exchange::Outcome::Response, std::move(received), {}};
    }
    if (!WaitFor(fd, POLLIN, deadline)) return timedOut();
    char chunk[4096];
    const ssize_t count = ::recv(fd, chunk, sizeof chunk, 0);
    if (count > 0) {
      received.append(chunk, static_cast<size_t>(count));
    } else if (count == 0 || ClosedByPeer(errno)) {
      return Problem(Exchange::Outcome::ClosedWithoutResponse,
                     received.empty()
                         ? kClosedWithoutResponse
                         : "keydesk closed the connection in the middle of a response");
    } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return Problem(Exchange::Outcome::Failed,
                     "receiving from " + where + ": " + ErrorText(errno));
    }
  }
}

}  // namespace keydesk::client
