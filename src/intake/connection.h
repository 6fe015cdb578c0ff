#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "wire/request_framer.h"

namespace keydesk {

// One accepted PMS connection: its socket and its receive buffer. The connection's own
// thread reads, writes and closes it; any other thread may only Abort it, which makes a
// blocked read return as if the peer had closed.
class TConnection {
 public:
  explicit TConnection(Socket socket) : socket_(std::move(socket)) {}

  // The next request's bytes without the NUL; none when the connection ended first (a
  // partial request is dropped). Raises FramingError or SocketError.
  std::optional<std::string> ReadRequest();

  // Writes every byte in one piece. Raises SocketError.
  void Write(std::string_view bytes) { socket_.SendAll(bytes); }

  void Close() { socket_.Close(); }
  bool IsOpen() const { return socket_.IsOpen(); }
  void Abort() { socket_.Shutdown(); }

 private:
  Socket socket_;
  RequestFramer framer_;
};

}  // namespace keydesk
