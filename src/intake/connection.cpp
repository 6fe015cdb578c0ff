#include "intake/connection.h"

#include <algorithm>
#include <thread>

#include "platform/errors.h"

namespace keydesk {

namespace {

// Whether bytes hold more than blanks and line breaks: a PMS may end a request with a line
// break after its NUL, which begins no request.
bool BeginsARequest(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) > ' ') return true;
  }
  return false;
}

}  // namespace

TConnection::TConnection(Socket socket, Ipv4Endpoint peer)
    : socket_(std::move(socket)),
      peer_(peer),
      connected_(Clock::now()),
      waitingSince_(std::max<Clock::rep>(1, connected_.time_since_epoch().count())) {}

std::optional<std::string> TConnection::ReadRequest(const ReadLimits& limits) {
  char chunk[4096];
  // The first request is waited for from the connect, so that a client that connects and
  // sends nothing, or only blanks, has its place for that long and no longer.
  const bool first = requestsRead_ == 0;
  waitBegan_ = first ? connected_ : Clock::now();
  const std::chrono::milliseconds idleLimit = first ? limits.FirstRequest : limits.Idle;
  // A request already buffered behind the last one (pipelined) has its time from now, when
  // its turn comes, not from when it arrived while the last one was being carried out.
  bool begun = BeginsARequest(framer_.Pending());
  requestBegan_ = Clock::now();
  bool lookedLate = false;
  for (;;) {
    if (auto request = framer_.Next()) {
      requestRead_ = Clock::now();
      halfClosed_ = false;
      seenOpen_ = false;
      ++requestsRead_;
      return request;
    }
    waitedIdle_ = !begun;
    const std::chrono::milliseconds limit = begun ? limits.Request : idleLimit;
    if (limit.count() > 0) {
      // Each receive gets what is left: bytes that arrive do not restart the wait.
      auto left = std::chrono::ceil<std::chrono::milliseconds>(
          (begun ? requestBegan_ : waitBegan_) + limit - Clock::now());
      if (left.count() <= 0) {
        // Once more, briefly: bytes that came in time count even when this thread comes to
        // them late.
        if (lookedLate) throw TimeoutError("Read timed out.");
        lookedLate = true;
        left = std::chrono::milliseconds(1);
      }
      LimitReceive(left);
    } else {
      LimitReceive(limit);
    }
    const size_t received = socket_.Receive(chunk, sizeof chunk);
    if (received == 0) return std::nullopt;
    const std::string_view bytes(chunk, received);
    if (!begun && BeginsARequest(bytes)) {
      begun = true;
      requestBegan_ = Clock::now();
    }
    framer_.Append(bytes);
  }
}

bool TConnection::ClientGone() {
  switch (socket_.Peer()) {
    case Socket::PeerState::Open:
      seenOpen_ = true;
      return false;
    case Socket::PeerState::Reset:
      return true;
    case Socket::PeerState::Ended:
      break;
  }
  if (!halfClosed_ && (!seenOpen_ || Clock::now() - requestRead_ < kHalfCloseGrace)) {
    halfClosed_ = true;
  }
  return !halfClosed_;
}

bool TConnection::AnswerRefused(std::chrono::milliseconds wait) {
  if (!halfClosed_) return false;
  // The socket reads as ended already, so no wait on it would end at the reset: look now and
  // then. Only answers to a client that shut its side wait here.
  const Clock::time_point giveUp = Clock::now() + wait;
  for (;;) {
    if (socket_.Peer() == Socket::PeerState::Reset) return true;
    if (Clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool TConnection::BeginServing() {
  Clock::rep since = waitingSince_.load();
  while (since != kServing) {
    if (since == kMadeRoom) return false;
    if (waitingSince_.compare_exchange_weak(since, kServing)) return true;
  }
  return true;
}

void TConnection::EndServing() {
  waitingSince_ = std::max<Clock::rep>(1, Clock::now().time_since_epoch().count());
}

std::optional<TConnection::Clock::time_point> TConnection::WaitingSince() const {
  const Clock::rep since = waitingSince_.load();
  if (since == kServing || since == kMadeRoom) return std::nullopt;
  return Clock::time_point(Clock::duration(since));
}

bool TConnection::AbortIfWaiting() {
  Clock::rep since = waitingSince_.load();
  while (since != kServing && since != kMadeRoom) {
    if (waitingSince_.compare_exchange_weak(since, kMadeRoom)) {
      Abort();
      return true;
    }
  }
  return false;
}

std::chrono::milliseconds TConnection::Waited() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      Clock::now() - (waitedIdle_ ? waitBegan_ : requestBegan_));
}

void TConnection::LimitReceive(std::chrono::milliseconds limit) {
  if (limit == receiveLimit_) return;
  socket_.SetReceiveTimeout(limit);
  receiveLimit_ = limit;
}

}  // namespace keydesk
