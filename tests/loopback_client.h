#pragma once

#if defined(_WIN32)
#include <winsock2.h>
#else
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#endif

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/socket.h"

namespace keydesk::test {

// A PMS client on 127.0.0.1 for tests: sends frames and reads NUL-terminated responses,
// every wait bounded.
class LoopbackClient {
 public:
  static constexpr std::chrono::milliseconds kWait{10'000};

  explicit LoopbackClient(uint16_t port) : socket_(Socket::ConnectLoopback(port)) {}
  // From another address of 127.0.0.0/8, standing for a second host (Linux answers every
  // address of that network on the loopback interface).
  LoopbackClient(uint16_t port, uint32_t from)
      : socket_(Socket::Connect(kLoopbackAddress, port, from)) {}

  void Send(std::string_view bytes) { socket_.SendAll(bytes); }
  void SendFrame(std::string_view request) {
    std::string frame(request);
    frame.push_back('\0');
    Send(frame);
  }

  // The next response up to and without its NUL; none when the server closed the connection
  // (or the wait ran out) before a NUL arrived.
  std::optional<std::string> ReadResponse(std::chrono::milliseconds wait = kWait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      if (const size_t nul = buffer_.find('\0'); nul != std::string::npos) {
        std::string response = buffer_.substr(0, nul);
        buffer_.erase(0, nul + 1);
        return response;
      }
      if (!WaitReadable(deadline)) return std::nullopt;
      char chunk[4096];
      size_t received = 0;
      try {
        received = socket_.Receive(chunk, sizeof chunk);
      } catch (const std::exception&) {
        return std::nullopt;
      }
      if (received == 0) {
        closed_ = true;
        return std::nullopt;
      }
      buffer_.append(chunk, received);
    }
  }

  // True when the server closes the connection within the wait, with no bytes before.
  bool ClosedByServer(std::chrono::milliseconds wait = kWait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!closed_) {
      if (!WaitReadable(deadline)) return false;
      char chunk[4096];
      size_t received = 0;
      try {
        received = socket_.Receive(chunk, sizeof chunk);
      } catch (const std::exception&) {
        closed_ = true;  // reset counts as closed
        break;
      }
      if (received == 0) {
        closed_ = true;
        break;
      }
      buffer_.append(chunk, received);
    }
    return closed_;
  }

  // Sends give up with SocketError after this long instead of blocking on a server that
  // has stopped reading.
  void SetSendTimeout(std::chrono::milliseconds wait) {
#if defined(_WIN32)
    const DWORD limit = static_cast<DWORD>(wait.count());
    ::setsockopt(socket_.NativeHandle(), SOL_SOCKET, SO_SNDTIMEO,
                 reinterpret_cast<const char*>(&limit), sizeof limit);
#else
    timeval limit{static_cast<time_t>(wait.count() / 1000),
                  static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
    ::setsockopt(socket_.NativeHandle(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
#endif
  }

  // Closes with a reset (RST) instead of an orderly end, as a client that crashes or is cut
  // off does.
  void Reset() {
    linger abort{1, 0};
    ::setsockopt(socket_.NativeHandle(), SOL_SOCKET, SO_LINGER,
                 reinterpret_cast<const char*>(&abort), sizeof abort);
    socket_.Close();
  }

  const std::string& Unread() const { return buffer_; }
  Socket& Raw() { return socket_; }

 private:
  bool WaitReadable(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    // The descriptor is only polled; reads go through the socket.
    pollfd poller{socket_.NativeHandle(), POLLIN, 0};
#if defined(_WIN32)
    return ::WSAPoll(&poller, 1, static_cast<int>(left.count())) > 0;
#else
    return ::poll(&poller, 1, static_cast<int>(left.count())) > 0;
#endif
  }

  Socket socket_;
  std::string buffer_;
  bool closed_ = false;
};

}  // namespace keydesk::test
