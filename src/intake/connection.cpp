#include "intake/connection.h"

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

std::optional<std::string> TConnection::ReadRequest(const ReadLimits& limits) {
  char chunk[4096];
  waitBegan_ = Clock::now();
  // A request already buffered behind the last one (pipelined) has its time from now, when
  // its turn comes, not from when it arrived while the last one was being carried out.
  bool begun = BeginsARequest(framer_.Pending());
  requestBegan_ = waitBegan_;
  for (;;) {
    if (auto request = framer_.Next()) {
      requestRead_ = Clock::now();
      halfClosed_ = false;
      seenOpen_ = false;
      return request;
    }
    waitedIdle_ = !begun;
    if (waitedIdle_) {
      LimitReceive(limits.Idle);
    } else if (limits.Request.count() > 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(requestBegan_ +
                                                                     limits.Request - Clock::now());
      if (left.count() <= 0) throw TimeoutError("Read timed out.");
      LimitReceive(left);
    } else {
      LimitReceive(limits.Request);
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
