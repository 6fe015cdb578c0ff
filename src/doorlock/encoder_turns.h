#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/mutex.h"

namespace keydesk {

// The order in which requests get the encoder: each host's requests in their order of
// arrival, the hosts taking turns, so that a host asking without pause keeps no other
// waiting longer than one call of each host ahead of it. A wait ends unserved at its
// deadline, or when its client has gone.
//
// Thread-safe.
class EncoderTurns {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Wait { Granted, Busy, Gone };

  // How often a waiter looks whether its client has gone.
  static constexpr std::chrono::milliseconds kLookInterval{100};

  // The encoder, for as long as the object lives; the next waiter's turn comes when it goes.
  class Turn {
   public:
    explicit Turn(EncoderTurns& turns) : turns_(turns) {}
    ~Turn() { turns_.Release(); }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

   private:
    EncoderTurns& turns_;
  };

  // Waits for the encoder's turn of a request from host (0 for this desk's own window).
  // deadline: none waits as long as it takes; gone, when given, is asked now and then. Sets
  // turn when granted.
  Wait Take(uint32_t host, std::optional<Clock::time_point> deadline,
            const std::function<bool()>& gone, std::unique_ptr<Turn>& turn) EXCLUDES(mutex_);

  // Requests waiting for their turn now.
  size_t Waiting() const EXCLUDES(mutex_);

 private:
  void Release() EXCLUDES(mutex_);
  // Gives the encoder to the first waiter of the host whose turn it is, if any waits.
  void GrantNext() REQUIRES(mutex_);
  // Takes a waiter that gives up out of its host's line.
  void Leave(uint32_t host, uint64_t ticket) REQUIRES(mutex_);

  mutable Mutex mutex_;
  CondVar changed_;  // waited on with mutex_
  bool busy_ GUARDED_BY(mutex_) = false;
  uint64_t nextTicket_ GUARDED_BY(mutex_) = 0;
  uint64_t granted_ GUARDED_BY(mutex_) = 0;  // the ticket that the encoder was just given to
  std::map<uint32_t, std::deque<uint64_t>> lines_ GUARDED_BY(mutex_);  // by host
  std::deque<uint32_t> rotation_ GUARDED_BY(mutex_);  // hosts with waiters, next turn first
};

}  // namespace keydesk
