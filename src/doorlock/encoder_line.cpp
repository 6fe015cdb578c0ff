#include "doorlock/encoder_line.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <map>
#include <utility>

namespace keydesk {

// One request's call, from its arrival to its end.
struct EncoderLine::Entry {
  enum class Stage { Waiting, Running, Done };
  explicit Entry(std::shared_ptr<EncoderJob> call) : job(std::move(call)) {}
  std::shared_ptr<EncoderJob> job;
  // All below guarded by State::mutex.
  Stage stage = Stage::Waiting;
  bool abandoned = false;
  std::exception_ptr error;  // what the call raised, for its caller
  CondVar changed;           // its caller waits on it, so that a change wakes no one else
};

struct EncoderLine::State {
  Mutex mutex;
  CondVar work;  // the encoder's thread waits on it with mutex
  std::map<uint32_t, std::deque<std::shared_ptr<Entry>>> lines GUARDED_BY(mutex);  // by host
  std::deque<uint32_t> rotation GUARDED_BY(mutex);  // hosts with waiters, next turn first
  std::shared_ptr<Entry> running GUARDED_BY(mutex);
  std::optional<Clock::time_point> callBegan GUARDED_BY(mutex);
  bool stuck GUARDED_BY(mutex) = false;  // the running call was given up on
  bool stopping GUARDED_BY(mutex) = false;
  bool ended GUARDED_BY(mutex) = false;
  size_t waiting GUARDED_BY(mutex) = 0;
  std::function<void()> answersAgain;  // set before the thread starts

  // The first waiter of the host whose turn it is; a host with more waiting goes to the back,
  // so that every other host's first is served before.
  std::shared_ptr<Entry> Next() REQUIRES(mutex) {
    const uint32_t host = rotation.front();
    rotation.pop_front();
    std::deque<std::shared_ptr<Entry>>& line = lines[host];
    std::shared_ptr<Entry> next = std::move(line.front());
    line.pop_front();
    if (line.empty()) {
      lines.erase(host);
    } else {
      rotation.push_back(host);
    }
    --waiting;
    return next;
  }

  // Takes a waiter that gives up out of its host's line.
  void Leave(uint32_t host, const std::shared_ptr<Entry>& entry) REQUIRES(mutex) {
    std::deque<std::shared_ptr<Entry>>& line = lines[host];
    line.erase(std::remove(line.begin(), line.end(), entry), line.end());
    --waiting;
    if (line.empty()) {
      lines.erase(host);
      rotation.erase(std::remove(rotation.begin(), rotation.end(), host), rotation.end());
    }
  }

  void WakeWaiters() REQUIRES(mutex) {
    for (auto& [host, line] : lines) {
      for (const std::shared_ptr<Entry>& entry : line) entry->changed.SignalAll();
    }
  }
};

EncoderLine::EncoderLine(std::chrono::milliseconds limit, std::function<void()> answersAgain)
    : limit_(limit), state_(std::make_shared<State>()) {
  state_->answersAgain = std::move(answersAgain);
  thread_ = std::thread([state = state_] { Loop(state); });
}

EncoderLine::~EncoderLine() {
  bool ended = false;
  {
    MutexLock lock(state_->mutex);
    state_->stopping = true;
    state_->work.SignalAll();
    // A call the library never returns from must not hold up the end of the program.
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(1);
    while (!state_->ended && state_->work.WaitUntil(state_->mutex, giveUp)) {
    }
    ended = state_->ended;
  }
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();  // it holds the state it uses, and ends when the call returns
  }
}

void EncoderLine::Loop(const std::shared_ptr<State>& state) {
  state->mutex.Lock();
  for (;;) {
    while (state->rotation.empty() && !state->stopping) state->work.Wait(state->mutex);
    if (state->stopping) break;
    const std::shared_ptr<Entry> entry = state->Next();
    entry->stage = Entry::Stage::Running;
    state->running = entry;
    state->callBegan = Clock::now();
    state->mutex.Unlock();
    std::exception_ptr error;
    try {
      entry->job->Call();
    } catch (...) {
      error = std::current_exception();
    }
    state->mutex.Lock();
    entry->stage = Entry::Stage::Done;
    state->running.reset();
    state->callBegan.reset();
    // Nobody waits for a call given up on: what it raised goes nowhere.
    if (!entry->abandoned) entry->error = error;
    entry->changed.SignalAll();
    if (entry->abandoned) {
      state->stuck = false;
      state->mutex.Unlock();
      entry->job->Abandoned();
      if (state->answersAgain) state->answersAgain();
      state->mutex.Lock();
    }
  }
  state->ended = true;
  state->work.SignalAll();
  state->mutex.Unlock();
}

EncoderLine::Result EncoderLine::Run(uint32_t host, std::optional<Clock::time_point> deadline,
                                     const std::function<bool()>& gone,
                                     std::shared_ptr<EncoderJob> job) {
  State& state = *state_;
  const auto entry = std::make_shared<Entry>(std::move(job));
  MutexLock lock(state.mutex);
  if (state.stuck) return Result::StuckBefore;
  state.lines[host].push_back(entry);
  if (std::find(state.rotation.begin(), state.rotation.end(), host) == state.rotation.end()) {
    state.rotation.push_back(host);
  }
  ++state.waiting;
  state.work.SignalAll();

  while (entry->stage == Entry::Stage::Waiting) {
    Result given = Result::Done;
    const Clock::time_point now = Clock::now();
    if (state.stuck) {
      given = Result::StuckBefore;
    } else if (deadline && now >= *deadline) {
      given = Result::Busy;
    } else if (gone && gone()) {  // a look at the socket that never waits
      given = Result::Gone;
    }
    if (given != Result::Done) {
      state.Leave(host, entry);
      return given;
    }
    Clock::time_point until = now + kLookInterval;
    if (deadline) until = std::min(until, *deadline);
    entry->changed.WaitUntil(state.mutex, until);
  }

  const bool limited = limit_.count() > 0;
  const Clock::time_point giveUp = state.callBegan.value_or(Clock::now()) + limit_;
  while (entry->stage != Entry::Stage::Done) {
    if (!limited) {
      entry->changed.Wait(state.mutex);
    } else if (!entry->changed.WaitUntil(state.mutex, giveUp) &&
               entry->stage != Entry::Stage::Done) {
      entry->abandoned = true;
      state.stuck = true;
      // Those in line fail at once rather than wait for a call that may never return.
      state.WakeWaiters();
      return Result::Stuck;
    }
  }
  // What the call raised leaves Run, as if the caller had made the call itself.
  if (std::exception_ptr error = std::exchange(entry->error, nullptr)) {
    std::rethrow_exception(error);
  }
  return Result::Done;
}

size_t EncoderLine::Waiting() const {
  MutexLock lock(state_->mutex);
  return state_->waiting;
}

std::optional<EncoderLine::Clock::time_point> EncoderLine::StuckSince() const {
  MutexLock lock(state_->mutex);
  if (!state_->stuck) return std::nullopt;
  return state_->callBegan;
}

}  // namespace keydesk
