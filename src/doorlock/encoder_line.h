#pragma once

#include <chrono>
#include <cstdint>
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

// The encoder's calls, run one at a time on a thread of the encoder's own, in the order in
// which requests get the encoder: each host's requests in their order of arrival, the hosts
// taking turns, so that a host asking without pause keeps no other waiting longer than one
// call of each host ahead of it. The thread takes the next call as soon as one returns, while
// the caller of the last one is woken, so that taking turns costs the encoder no time.
//
// A wait ends unserved at its deadline, or when its client has gone. A call that has not
// returned within the limit leaves the encoder stuck: its caller is answered, and every
// call after it fails at once until it returns.
//
// Thread-safe.
class EncoderLine {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Result {
    Done,         // the call returned in time
    Busy,         // the deadline passed while it waited: it did not run
    Gone,         // its client left while it waited: it did not run
    StuckBefore,  // an earlier call is stuck: this one did not run
    Stuck,        // it did not return within the limit: it runs on, and its Abandoned follows
  };
  // How often a waiter looks whether its client has gone.
  static constexpr std::chrono::milliseconds kLookInterval{100};

  // limit: how long a call may take; zero waits as long as it takes. answersAgain runs on the
  // encoder's thread when a stuck call has returned at last.
  EncoderLine(std::chrono::milliseconds limit, std::function<void()> answersAgain = {});
  // Ends the thread; one still stuck in a call is left to end with the process.
  ~EncoderLine();
  EncoderLine(const EncoderLine&) = delete;
  EncoderLine& operator=(const EncoderLine&) = delete;

  // Runs the job in the turn of a request from host (0 for this desk's own window) and waits
  // for it; what the call raised is raised here. deadline: none waits for the turn as long as
  // it takes; gone, when given, is asked now and then while the request waits.
  Result Run(uint32_t host, std::optional<Clock::time_point> deadline,
             const std::function<bool()>& gone, std::shared_ptr<EncoderJob> job);

  // Requests waiting for their turn now (not the one at the encoder).
  size_t Waiting() const;
  // Since when the call that is stuck was made; none while the encoder answers.
  std::optional<Clock::time_point> StuckSince() const;
  std::chrono::milliseconds Limit() const { return limit_; }

 private:
  struct Entry;
  struct State;
  static void Loop(const std::shared_ptr<State>& state);

  const std::chrono::milliseconds limit_;
  // Shared with the thread, which may outlive this object when stuck at its end.
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace keydesk
