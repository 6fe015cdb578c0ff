#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "platform/mutex.h"

namespace keydesk {

// One call of the encoder's, with what it leaves behind: shared, so that a call whose
// caller gave up waiting can finish, and say what came of it, after the caller has gone.
class EncoderJob {
 public:
  virtual ~EncoderJob() = default;
  // The call, on the encoder's thread.
  virtual void Call() = 0;
  // On the encoder's thread, after Call, when the caller had given up waiting for it.
  virtual void Abandoned() {}
};

// Runs the encoder's calls on a thread of its own, one at a time, so that a request can stop
// waiting for a call that hangs in the card library: a call that has not returned within the
// limit leaves the encoder stuck, and every later call fails at once until it returns.
//
// Thread-safe; callers take turns (EncoderTurns), so that one call waits at a time.
class EncoderCalls {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Result {
    Done,   // the call returned in time
    Busy,   // an earlier call is still stuck: this one did not run
    Stuck,  // it did not return within the limit: it runs on, and its Abandoned follows
  };

  // limit: how long a call may take; zero waits as long as it takes. answersAgain runs on the
  // encoder's thread when a stuck call has returned at last.
  EncoderCalls(std::chrono::milliseconds limit, std::function<void()> answersAgain = {});
  // Ends the thread; one still stuck in a call is left to end with the process.
  ~EncoderCalls();
  EncoderCalls(const EncoderCalls&) = delete;
  EncoderCalls& operator=(const EncoderCalls&) = delete;

  // Runs the job and waits for it; what the call raised is raised here.
  Result Run(std::shared_ptr<EncoderJob> job) EXCLUDES(mutex_);

  // Since when the call that is stuck was made; none while the encoder answers.
  std::optional<Clock::time_point> StuckSince() const EXCLUDES(mutex_);
  std::chrono::milliseconds Limit() const { return limit_; }

 private:
  struct State;
  static void Loop(const std::shared_ptr<State>& state);

  const std::chrono::milliseconds limit_;
  // Shared with the thread, which may outlive this object when stuck at its end.
  std::shared_ptr<State> state_;
  mutable Mutex mutex_;  // serialises Run's waits
  std::thread thread_;
};

}  // namespace keydesk
