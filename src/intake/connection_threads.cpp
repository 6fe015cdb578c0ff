#include "intake/connection_threads.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/thread.h"

namespace keydesk {
namespace {

// A connection thread needs little stack: the deepest path is a handler writing to the
// record store. Sanitizers make frames several times larger.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr size_t kStackSize = 2 * 1024 * 1024;
#else
constexpr size_t kStackSize = 256 * 1024;
#endif

}  // namespace

struct ConnectionThreads::Worker {
  explicit Worker(ConnectionThreads& threads) : owner(threads) {}

  ConnectionThreads& owner;
  Thread thread;  // set by Run before it lets go of owner.mutex_, which the thread takes first
  std::function<void()> task;  // guarded by owner.mutex_
  CondVar wake;                // waited on with owner.mutex_
};

ConnectionThreads::ConnectionThreads() = default;

ConnectionThreads::~ConnectionThreads() { Stop(); }

void ConnectionThreads::Run(std::function<void()> task) {
  MutexLock lock(mutex_);
  JoinFinished();
  if (stopping_) throw Error("Connection threads are stopping");
  ++runningTasks_;
  if (!idle_.empty()) {
    Worker* worker = idle_.back();
    idle_.pop_back();
    worker->task = std::move(task);
    worker->wake.Signal();
    return;
  }
  auto worker = std::make_unique<Worker>(*this);
  worker->task = std::move(task);
  try {
    worker->thread = Thread(kStackSize, [this, self = worker.get()] { WorkerLoop(*self); });
  } catch (const Error&) {
    --runningTasks_;
    throw;
  }
  workers_.push_back(std::move(worker));
}

void ConnectionThreads::WorkerLoop(Worker& worker) {
  MutexLock lock(mutex_);
  for (;;) {
    std::function<void()> task = std::move(worker.task);
    worker.task = nullptr;
    mutex_.Unlock();
    try {
      task();
    } catch (...) {
      // A task handles its own errors; one that escapes must not end the process.
    }
    task = nullptr;  // release what the task captured before going idle
    mutex_.Lock();
    --runningTasks_;
    tasksEnded_.SignalAll();
    if (stopping_) break;
    idle_.push_back(&worker);
    const auto deadline = std::chrono::steady_clock::now() + kIdleLifetime;
    while (!worker.task && !stopping_ && worker.wake.WaitUntil(mutex_, deadline)) {
    }
    if (worker.task) continue;  // Run took it off the idle list
    idle_.erase(std::find(idle_.begin(), idle_.end(), &worker));
    break;
  }
  auto self = std::find_if(workers_.begin(), workers_.end(),
                           [&](const auto& candidate) { return candidate.get() == &worker; });
  if (self == workers_.end()) {
    // Abandoned by Stop while stuck in its task: nobody will join it now, so it lets the
    // system reclaim it when it ends.
    worker.thread.Detach();
    return;
  }
  finished_.push_back(std::move(*self));
  workers_.erase(self);
  tasksEnded_.SignalAll();
}

void ConnectionThreads::JoinFinished() {
  if (finished_.empty()) return;
  std::vector<std::unique_ptr<Worker>> finished;
  finished.swap(finished_);
  mutex_.Unlock();
  for (const auto& worker : finished) worker->thread.Join();
  mutex_.Lock();
}

bool ConnectionThreads::WaitForTasks(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  MutexLock lock(mutex_);
  while (runningTasks_ != 0) {
    if (!tasksEnded_.WaitUntil(mutex_, deadline)) return runningTasks_ == 0;
  }
  return true;
}

size_t ConnectionThreads::RunningTasks() const {
  MutexLock lock(mutex_);
  return runningTasks_;
}

size_t ConnectionThreads::Threads() const {
  MutexLock lock(mutex_);
  return workers_.size();
}

void ConnectionThreads::Stop() {
  MutexLock lock(mutex_);
  stopping_ = true;
  for (Worker* worker : idle_) worker->wake.Signal();
  // Every thread without a task ends now; those still running a task end after it.
  while (workers_.size() != runningTasks_) tasksEnded_.Wait(mutex_);
  JoinFinished();
  // Threads stuck in a task keep their Worker until the process ends; nobody joins them.
  for (auto& worker : workers_) abandoned_.push_back(std::move(worker));
  workers_.clear();
}

}  // namespace keydesk
