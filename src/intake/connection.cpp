#include "intake/connection.h"

#include "platform/errors.h"

namespace keydesk {

std::optional<std::string> TConnection::ReadRequest(const ReadLimits& limits) {
  char chunk[4096];
  waitBegan_ = Clock::now();
  for (;;) {
    if (auto request = framer_.Next()) {
      // Bytes after the NUL begin the next request: its time runs from now.
      if (framer_.Buffered() != 0) requestBegan_ = Clock::now();
      return request;
    }
    waitedIdle_ = framer_.Buffered() == 0;
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
    if (framer_.Buffered() == 0) requestBegan_ = Clock::now();
    framer_.Append(std::string_view(chunk, received));
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
