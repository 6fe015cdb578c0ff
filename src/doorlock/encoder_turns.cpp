#include "doorlock/encoder_turns.h"

#include <algorithm>

namespace keydesk {

EncoderTurns::Wait EncoderTurns::Take(uint32_t host, std::optional<Clock::time_point> deadline,
                                      const std::function<bool()>& gone,
                                      std::unique_ptr<Turn>& turn) {
  MutexLock lock(mutex_);
  if (!busy_ && rotation_.empty()) {
    busy_ = true;
    turn = std::make_unique<Turn>(*this);
    return Wait::Granted;
  }
  const uint64_t ticket = ++nextTicket_;
  lines_[host].push_back(ticket);
  if (std::find(rotation_.begin(), rotation_.end(), host) == rotation_.end()) {
    rotation_.push_back(host);
  }
  for (;;) {
    if (granted_ == ticket) {
      granted_ = 0;
      turn = std::make_unique<Turn>(*this);
      return Wait::Granted;
    }
    const Clock::time_point now = Clock::now();
    if (deadline && now >= *deadline) {
      Leave(host, ticket);
      return Wait::Busy;
    }
    // A look at the socket that never waits.
    if (gone && gone()) {
      Leave(host, ticket);
      return Wait::Gone;
    }
    Clock::time_point until = now + kLookInterval;
    if (deadline) until = std::min(until, *deadline);
    changed_.WaitUntil(mutex_, until);
  }
}

size_t EncoderTurns::Waiting() const {
  MutexLock lock(mutex_);
  size_t waiting = 0;
  for (const auto& [host, line] : lines_) waiting += line.size();
  return waiting;
}

void EncoderTurns::Release() {
  MutexLock lock(mutex_);
  busy_ = false;
  GrantNext();
}

void EncoderTurns::GrantNext() {
  if (rotation_.empty()) return;
  const uint32_t host = rotation_.front();
  rotation_.pop_front();
  std::deque<uint64_t>& line = lines_[host];
  granted_ = line.front();
  line.pop_front();
  // A host with more waiting goes to the back: every other host's first is served before.
  if (line.empty()) {
    lines_.erase(host);
  } else {
    rotation_.push_back(host);
  }
  busy_ = true;
  changed_.SignalAll();
}

void EncoderTurns::Leave(uint32_t host, uint64_t ticket) {
  std::deque<uint64_t>& line = lines_[host];
  line.erase(std::remove(line.begin(), line.end(), ticket), line.end());
  if (line.empty()) {
    lines_.erase(host);
    rotation_.erase(std::remove(rotation_.begin(), rotation_.end(), host), rotation_.end());
  }
}

}  // namespace keydesk
