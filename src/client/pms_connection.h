#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace keydesk::client {

// What came of sending one request.
struct Exchange {
  enum class Outcome {
    Response,               // Bytes holds the response, without its NUL
    Refused,                // nothing listens there
    ClosedWithoutResponse,  // keydesk closed the connection before a whole response
    TimedOut,               // no whole response within the time
    Failed,                 // the host is unknown, or the network failed otherwise
  };
  Outcome Result = Outcome::Failed;
  std::string Bytes;
  // For every outcome but Response: what happened, one line without the program's name.
  std::string Problem;
};

// Connects to host:port as a PMS does, sends the frame and reads up to the first NUL; the
// connection is then closed, also when keydesk would keep it open. Every step shares one
// time limit. Thread-safe: each call has its own connection.
Exchange SendRequest(const std::string& host, uint16_t port, std::string_view frame, int timeoutMs);

}  // namespace keydesk::client
