#pragma once

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace keydesk {

// Runs each task at once on a thread of its own, without limit. A thread whose task has
// ended waits a while as an idle thread and takes the next task, which spares the cost of
// creating a thread per connection. Threads are small (kStackSize) so that hundreds of
// idle PMS connections cost little memory, and every thread is joined — but for one still
// stuck in its task when Stop gives up on it, which detaches itself once it ends.
//
// Thread-safe.
class ConnectionThreads {
 public:
  static constexpr std::chrono::seconds kIdleLifetime{30};

  ConnectionThreads();
  // Joins every thread; tasks must have ended (see WaitForTasks).
  ~ConnectionThreads();
  ConnectionThreads(const ConnectionThreads&) = delete;
  ConnectionThreads& operator=(const ConnectionThreads&) = delete;

  // Raises Error when no thread can be started.
  void Run(std::function<void()> task);

  // Waits until no task runs; false when tasks still run at the deadline.
  bool WaitForTasks(std::chrono::milliseconds timeout);
  size_t RunningTasks() const;
  size_t Threads() const;

  // Ends idle threads and joins them. When WaitForTasks failed, threads with a task still
  // running are left to the process's end rather than blocking it: this object must then
  // stay alive, since they still use it (see TcpListener).
  void Stop();

 private:
  struct Worker;
  static void* ThreadMain(void* worker);
  void WorkerLoop(Worker& worker);
  void JoinFinished(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable tasksEnded_;
  std::vector<std::unique_ptr<Worker>> workers_;    // guarded by mutex_; every live thread
  std::vector<Worker*> idle_;                       // guarded by mutex_
  std::vector<std::unique_ptr<Worker>> finished_;   // guarded by mutex_; ended, not yet joined
  std::vector<std::unique_ptr<Worker>> abandoned_;  // guarded by mutex_; stuck at Stop
  size_t runningTasks_ = 0;                         // guarded by mutex_
  bool stopping_ = false;                           // guarded by mutex_
};

}  // namespace keydesk
