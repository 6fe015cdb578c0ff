#include "doorlock/encoder_calls.h"

#include <exception>
#include <utility>

namespace keydesk {

struct EncoderCalls::State {
  Mutex mutex;
  CondVar changed;  // waited on with mutex
  std::shared_ptr<EncoderJob> pending GUARDED_BY(mutex);
  bool running GUARDED_BY(mutex) = false;
  bool abandoned GUARDED_BY(mutex) = false;
  bool stopping GUARDED_BY(mutex) = false;
  bool ended GUARDED_BY(mutex) = false;
  uint64_t finished GUARDED_BY(mutex) = 0;     // calls that returned
  std::exception_ptr error GUARDED_BY(mutex);  // what the last call raised, for its caller
  std::optional<Clock::time_point> callBegan GUARDED_BY(mutex);
  std::function<void()> answersAgain;  // set before the thread starts
};

EncoderCalls::EncoderCalls(std::chrono::milliseconds limit, std::function<void()> answersAgain)
    : limit_(limit), state_(std::make_shared<State>()) {
  state_->answersAgain = std::move(answersAgain);
  thread_ = std::thread([state = state_] { Loop(state); });
}

EncoderCalls::~EncoderCalls() {
  bool ended = false;
  {
    MutexLock lock(state_->mutex);
    state_->stopping = true;
    state_->changed.SignalAll();
    // A call the library never returns from must not hold up the end of the program.
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(1);
    while (!state_->ended && state_->changed.WaitUntil(state_->mutex, giveUp)) {
    }
    ended = state_->ended;
  }
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();  // it holds the state it uses, and ends when the call returns
  }
}

void EncoderCalls::Loop(const std::shared_ptr<State>& state) {
  state->mutex.Lock();
  for (;;) {
    while (!state->pending && !state->stopping) state->changed.Wait(state->mutex);
    if (!state->pending) break;
    const std::shared_ptr<EncoderJob> job = state->pending;
    state->pending.reset();
    state->running = true;
    state->callBegan = Clock::now();
    state->mutex.Unlock();
    std::exception_ptr error;
    try {
      job->Call();
    } catch (...) {
      error = std::current_exception();
    }
    state->mutex.Lock();
    state->error = error;
    state->running = false;
    state->callBegan.reset();
    ++state->finished;
    const bool abandoned = state->abandoned;
    state->abandoned = false;
    // Nobody waits for a call given up on: what it raised goes nowhere.
    if (abandoned) state->error = nullptr;
    state->changed.SignalAll();
    if (abandoned) {
      state->mutex.Unlock();
      job->Abandoned();
      if (state->answersAgain) state->answersAgain();
      state->mutex.Lock();
    }
  }
  state->ended = true;
  state->changed.SignalAll();
  state->mutex.Unlock();
}

EncoderCalls::Result EncoderCalls::Run(std::shared_ptr<EncoderJob> job) {
  MutexLock serial(mutex_);
  State& state = *state_;
  MutexLock lock(state.mutex);
  // An earlier call never came back (or never began, its thread still in the one before).
  if (state.running || state.pending) return Result::Busy;
  const uint64_t before = state.finished;
  state.pending = std::move(job);
  state.changed.SignalAll();
  const bool limited = limit_.count() > 0;
  const Clock::time_point giveUp = Clock::now() + limit_;
  while (state.finished == before) {
    if (!limited) {
      state.changed.Wait(state.mutex);
    } else if (!state.changed.WaitUntil(state.mutex, giveUp) && state.finished == before) {
      state.abandoned = true;
      return Result::Stuck;
    }
  }
  // What the call raised leaves Run, as if the caller had made the call itself.
  if (std::exception_ptr error = std::exchange(state.error, nullptr)) std::rethrow_exception(error);
  return Result::Done;
}

std::optional<EncoderCalls::Clock::time_point> EncoderCalls::StuckSince() const {
  MutexLock lock(state_->mutex);
  if (!state_->running || !state_->abandoned) return std::nullopt;
  return state_->callBegan;
}

}  // namespace keydesk
