#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "wire/request_framer.h"

namespace keydesk {

// How long a connection may take over a request; zero is no limit. Blanks and line breaks
// begin no request, and a wait for one runs on while they arrive.
struct ReadLimits {
  // From a request's first byte to its NUL; also how long a send may wait for the peer.
  std::chrono::milliseconds Request{0};
  // From the connect to the first request's first byte.
  std::chrono::milliseconds FirstRequest{0};
  // From a kept connection's last request to the next one's first byte.
  std::chrono::milliseconds Idle{0};
};

// One accepted PMS connection: its socket, its peer and its receive buffer. The connection's
// own thread reads, writes and closes it; any other thread may only Abort it, which makes a
// blocked read return as if the peer had closed, and ask whether it waits for a request
// (WaitingSince, AbortIfWaiting), which is thread-safe.
class TConnection {
 public:
  using Clock = std::chrono::steady_clock;

  explicit TConnection(Socket socket, Ipv4Endpoint peer = {});

  const Ipv4Endpoint& Peer() const { return peer_; }

  // The next request's bytes without the NUL; none when the connection ended first (a
  // partial request is dropped). Raises FramingError, SocketError, or TimeoutError when a
  // limit ran out (WaitedIdle then says which).
  std::optional<std::string> ReadRequest(const ReadLimits& limits = {});
  // Whether the last read waited for a request to begin rather than for one to end.
  bool WaitedIdle() const { return waitedIdle_; }
  // How long the last read had waited, for a read that timed out.
  std::chrono::milliseconds Waited() const;
  // When the first byte of the request last read came.
  std::chrono::steady_clock::time_point RequestBegan() const { return requestBegan_; }
  // Bytes received of the request being read.
  size_t Buffered() const { return framer_.Buffered(); }

  // Writes every byte in one piece. Raises SocketError, also when the peer takes none of them
  // for longer than LimitWrites allows.
  void Write(std::string_view bytes) { socket_.SendAll(bytes); }
  void LimitWrites(std::chrono::milliseconds limit) { socket_.SetSendTimeout(limit); }

  // Whether the client of the request last read has gone: reset the connection, or closed it
  // while the request waited. A client that shut its sending side at once after sending (as
  // nc does) still reads its answer: an end that is there when first looked at, or seen
  // within kHalfCloseGrace of the request, counts as that, for the rest of the request.
  static constexpr std::chrono::milliseconds kHalfCloseGrace{500};
  bool ClientGone();
  // After an answer sent to a client that had shut its side: whether it was closed after all,
  // which the reset its system sends for the answer's bytes tells within wait.
  bool AnswerRefused(std::chrono::milliseconds wait);

  void Close() { socket_.Close(); }
  bool IsOpen() const { return socket_.IsOpen(); }
  void Abort() { socket_.Shutdown(); }

  // The connection's own thread, once a request is read whole: it is being carried out from
  // now on and may not be closed to make room. False when the connection was closed to make
  // room first: the request is then dropped, nothing of it done.
  bool BeginServing();
  // The connection's own thread, after a request on a kept connection: waiting for the next.
  void EndServing();
  // Since when the connection waits for a request (the connect, or the end of the last one),
  // also while one is arriving; none while a request is carried out or once it was closed to
  // make room.
  std::optional<Clock::time_point> WaitingSince() const;
  // Aborts the connection when it waits for a request, so that another may take its place;
  // false when it is carrying one out (or was aborted so already).
  bool AbortIfWaiting();

 private:
  // waitingSince_ while a request is carried out, and once aborted to make room; otherwise
  // the steady clock's count, never either of these.
  static constexpr Clock::rep kServing = 0;
  static constexpr Clock::rep kMadeRoom = -1;

  // Sets the socket's receive limit, when it differs from the one set.
  void LimitReceive(std::chrono::milliseconds limit);

  Socket socket_;
  const Ipv4Endpoint peer_;
  const Clock::time_point connected_;
  RequestFramer framer_;
  std::chrono::milliseconds receiveLimit_{0};  // what the socket has now
  Clock::time_point requestBegan_;             // when the buffered request's first byte came
  Clock::time_point waitBegan_;                // when the last read began to wait
  Clock::time_point requestRead_;              // when the last request's NUL was read
  bool halfClosed_ = false;                    // its client shut its side right after it
  bool seenOpen_ = false;                      // the client was seen with its side open
  bool waitedIdle_ = true;
  uint64_t requestsRead_ = 0;
  std::atomic<Clock::rep> waitingSince_;
};

}  // namespace keydesk
