#include "intake/connection_threads.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/errors.h"

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
  ConnectionThreads* owner = nullptr;
  pthread_t thread{};
  std::function<void()> task;  // guarded by owner->mutex_
  std::condition_variable wake;
};

ConnectionThreads::ConnectionThreads() = default;

ConnectionThreads::~ConnectionThreads() { Stop(); }

void ConnectionThreads::Run(std::function<void()> task) {
  std::unique_lock lock(mutex_);
  JoinFinished(lock);
  if (stopping_) throw Error("Connection threads are stopping");
  ++runningTasks_;
  if (!idle_.empty()) {
    Worker* worker = idle_.back();
    idle_.pop_back();
    worker->task = std::move(task);
    worker->wake.notify_one();
    return;
  }
  auto worker = std::make_unique<Worker>();
  worker->owner = this;
  worker->task = std::move(task);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kStackSize);
  const int result = pthread_create(&worker->thread, &attributes, &ThreadMain, worker.get());
  pthread_attr_destroy(&attributes);
  if (result != 0) {
    --runningTasks_;
    throw Error(std::string("Cannot start a connection thread: ") + std::strerror(result));
  }
  workers_.push_back(std::move(worker));
}

void* ConnectionThreads::ThreadMain(void* worker) {
  auto* self = static_cast<Worker*>(worker);
  self->owner->WorkerLoop(*self);
  return nullptr;
}

void ConnectionThreads::WorkerLoop(Worker& worker) {
  std::unique_lock lock(mutex_);
  for (;;) {
    std::function<void()> task = std::move(worker.task);
    worker.task = nullptr;
    lock.unlock();
    try {
      task();
    } catch (...) {
      // A task handles its own errors; one that escapes must not end the process.
    }
    task = nullptr;  // release what the task captured before going idle
    lock.lock();
    --runningTasks_;
    tasksEnded_.notify_all();
    if (stopping_) break;
    idle_.push_back(&worker);
    worker.wake.wait_for(lock, kIdleLifetime, [&] { return worker.task || stopping_; });
    if (worker.task) continue;  // Run took it off the idle list
    idle_.erase(std::find(idle_.begin(), idle_.end(), &worker));
    break;
  }
  auto self = std::find_if(workers_.begin(), workers_.end(),
                           [&](const auto& candidate) { return candidate.get() == &worker; });
  if (self == workers_.end()) {
    // Abandoned by Stop while stuck in its task: nobody will join it now, so it lets the
    // system reclaim it when it ends.
    pthread_detach(pthread_self());
    return;
  }
  finished_.push_back(std::move(*self));
  workers_.erase(self);
  tasksEnded_.notify_all();
}

void ConnectionThreads::JoinFinished(std::unique_lock<std::mutex>& lock) {
  if (finished_.empty()) return;
  std::vector<std::unique_ptr<Worker>> finished;
  finished.swap(finished_);
  lock.unlock();
  for (const auto& worker : finished) pthread_join(worker->thread, nullptr);
  lock.lock();
}

bool ConnectionThreads::WaitForTasks(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return tasksEnded_.wait_for(lock, timeout, [&] { return runningTasks_ == 0; });
}

size_t ConnectionThreads::RunningTasks() const {
  std::lock_guard lock(mutex_);
  return runningTasks_;
}

size_t ConnectionThreads::Threads() const {
  std::lock_guard lock(mutex_);
  return workers_.size();
}

void ConnectionThreads::Stop() {
  std::unique_lock lock(mutex_);
  stopping_ = true;
  for (Worker* worker : idle_) worker->wake.notify_one();
  // Every thread without a task ends now; those still running a task end after it.
  tasksEnded_.wait(lock, [&] { return workers_.size() == runningTasks_; });
  JoinFinished(lock);
  // Threads stuck in a task keep their Worker until the process ends; nobody joins them.
  for (auto& worker : workers_) abandoned_.push_back(std::move(worker));
  workers_.clear();
}

}  // namespace keydesk
