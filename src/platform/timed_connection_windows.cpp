#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

#include "platform/code_page.h"
#include "platform/socket.h"
#include "platform/timed_connection.h"
#include "platform/wide_text_windows.h"
#include "platform/winsock_windows.h"

namespace keydesk {
namespace {

using Clock = std::chrono::steady_clock;
using Outcome = TimedConnection::Outcome;
using Status = TimedConnection::Status;

std::string ErrorText(int error) {
  return Utf8FromAnsi(SystemErrorText(static_cast<DWORD>(error)));
}

enum class Direction { Read, Write };

// Waits until the socket is ready or the deadline passes; false then. select, not WSAPoll:
// WSAPoll does not report a connection that was refused, and the wait would last to the
// deadline. A failed connection shows in the exception set.
bool WaitFor(SOCKET socket, Direction direction, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval wait{static_cast<long>(std::min<long long>(left / 1000000, INT_MAX)),
                 static_cast<long>(left % 1000000)};
    const int count = ::select(0, direction == Direction::Read ? &ready : nullptr,
                               direction == Direction::Write ? &ready : nullptr, &failed, &wait);
    if (count != 0) return true;  // ready, or an error the next call reports
  }
}

bool ClosedByPeer(int error) { return error == WSAECONNRESET || error == WSAECONNABORTED; }

struct AddressListDeleter {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

}  // namespace

struct TimedConnection::Native {
  Socket socket;
};

TimedConnection::TimedConnection(Clock::time_point deadline)
    : deadline_(deadline), native_(std::make_unique<Native>()) {}

TimedConnection::~TimedConnection() = default;

Outcome TimedConnection::Connect(const std::string& host, uint16_t port) {
  if (const int failure = StartWinsock(); failure != 0) return {Status::Failed, ErrorText(failure)};
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    return {Status::UnknownHost, ErrorText(WSAGetLastError())};
  }
  const std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);
  int lastError = WSAECONNREFUSED;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    Socket socket(::socket(address->ai_family, address->ai_socktype, address->ai_protocol));
    if (!socket.IsOpen()) {
      lastError = WSAGetLastError();
      continue;
    }
    const SOCKET handle = socket.NativeHandle();
    u_long nonBlocking = 1;
    ::ioctlsocket(handle, FIONBIO, &nonBlocking);
    if (::connect(handle, address->ai_addr, static_cast<int>(address->ai_addrlen)) != 0) {
      if (WSAGetLastError() != WSAEWOULDBLOCK) {
        lastError = WSAGetLastError();
        continue;
      }
      if (!WaitFor(handle, Direction::Write, deadline_)) return {Status::TimedOut, {}};
      int error = 0;
      int length = sizeof error;
      ::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
      if (error != 0) {
        lastError = error;
        continue;
      }
    }
    native_->socket = std::move(socket);
    return {};
  }
  if (lastError == WSAECONNREFUSED) return {Status::Refused, {}};
  return {Status::Failed, ErrorText(lastError)};
}

Outcome TimedConnection::SendAll(std::string_view bytes) {
  const SOCKET handle = native_->socket.NativeHandle();
  while (!bytes.empty()) {
    if (!WaitFor(handle, Direction::Write, deadline_)) return {Status::TimedOut, {}};
    const int sent =
        ::send(handle, bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX)), 0);
    if (sent != SOCKET_ERROR) {
      bytes.remove_prefix(static_cast<size_t>(sent));
      continue;
    }
    const int error = WSAGetLastError();
    if (ClosedByPeer(error)) return {Status::Closed, {}};
    if (error != WSAEWOULDBLOCK && error != WSAEINTR) return {Status::Failed, ErrorText(error)};
  }
  return {};
}

Outcome TimedConnection::ReceiveSome(std::string& into) {
  const SOCKET handle = native_->socket.NativeHandle();
  for (;;) {
    if (!WaitFor(handle, Direction::Read, deadline_)) return {Status::TimedOut, {}};
    char chunk[4096];
    const int count = ::recv(handle, chunk, sizeof chunk, 0);
    if (count > 0) {
      into.append(chunk, static_cast<size_t>(count));
      return {};
    }
    if (count == 0) return {Status::Closed, {}};
    const int error = WSAGetLastError();
    if (ClosedByPeer(error)) return {Status::Closed, {}};
    if (error != WSAEWOULDBLOCK && error != WSAEINTR) return {Status::Failed, ErrorText(error)};
  }
}

}  // namespace keydesk
