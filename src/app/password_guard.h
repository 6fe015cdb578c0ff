#pragma once

#include <chrono>
#include <functional>

namespace keydesk {

// The wait after wrong administrator passwords, so that guessing at the prompt is slow: after
// the first wrong entry in a row the next is taken only after 1 s, then after 2, 4, 8 and 16 s,
// and from then on after 30 s each time; a right entry ends the run. One per process, behind
// every password prompt (commands, closing the window), so that closing a prompt and opening
// another does not start afresh; it is not kept across a restart. Main thread only.
class PasswordGuard {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  // Where the guard reads the time; a steady clock, so that setting the workstation's clock
  // neither ends a wait nor makes one last for hours.
  using Now = std::function<TimePoint()>;

  static constexpr std::chrono::seconds kLongestWait{30};

  static Now SteadyNow();
  explicit PasswordGuard(Now now = SteadyNow());

  // The wait that the failures-th wrong entry in a row starts; none before the first.
  static std::chrono::seconds WaitAfter(int failures);

  // How long until an entry is checked again; zero when it is checked now.
  std::chrono::milliseconds Remaining() const;
  // A wrong entry now: counts it and starts the wait that follows it, which it returns.
  std::chrono::seconds Failed();
  // A right entry: the next wrong one waits 1 s again.
  void Succeeded();
  // Wrong entries since the last right one.
  int Failures() const { return failures_; }

 private:
  Now now_;
  int failures_ = 0;
  TimePoint nextEntry_{};
};

}  // namespace keydesk
