#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace keydesk {

// A client's TCP connection in which connecting, sending and receiving share one deadline, as
// a PMS talks to keydesk (keydesk-client). The host is a name or an address, IPv4 or IPv6.
// One implementation per platform. Not thread-safe: one owner.
class TimedConnection {
 public:
  enum class Status {
    Done,
    UnknownHost,  // the name cannot be resolved
    Refused,      // nothing listens there
    Closed,       // the peer closed or reset the connection
    TimedOut,     // the deadline passed first
    Failed,       // the network failed otherwise
  };
  struct Outcome {
    Status Result = Status::Done;
    // For UnknownHost and Failed: the system's reason, UTF-8.
    std::string Reason;
  };

  explicit TimedConnection(std::chrono::steady_clock::time_point deadline);
  ~TimedConnection();
  TimedConnection(const TimedConnection&) = delete;
  TimedConnection& operator=(const TimedConnection&) = delete;

  Outcome Connect(const std::string& host, uint16_t port);
  Outcome SendAll(std::string_view bytes);
  // Appends the bytes that arrive next, at least one; Closed when the peer has closed.
  Outcome ReceiveSome(std::string& into);

 private:
  struct Native;
  std::chrono::steady_clock::time_point deadline_;
  std::unique_ptr<Native> native_;
};

}  // namespace keydesk
