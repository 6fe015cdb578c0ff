#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/mutex.h"

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
  void Run(std::function<void()> task) EXCLUDES(mutex_);

  // Waits until no task runs; false when tasks still run at the deadline.
  bool WaitForTasks(std::chrono::milliseconds timeout) EXCLUDES(mutex_);
  size_t RunningTasks() const EXCLUDES(mutex_);
  size_t Threads() const EXCLUDES(mutex_);

  // Ends idle threads and joins them. When WaitForTasks failed, threads with a task still
  // running are left to the process's end rather than blocking it: this object must then
  // stay alive, since they still use it (see TcpListener).
  void Stop() EXCLUDES(mutex_);

 private:
  struct Worker;
  void WorkerLoop(Worker& worker) EXCLUDES(mutex_);
  // Joins the threads that have ended, with mutex_ released while joining.
  void JoinFinished() REQUIRES(mutex_);

  mutable Mutex mutex_;
  CondVar tasksEnded_;                                               // waited on with mutex_
  std::vector<std::unique_ptr<Worker>> workers_ GUARDED_BY(mutex_);  // every live thread
  std::vector<Worker*> idle_ GUARDED_BY(mutex_);
  std::vector<std::unique_ptr<Worker>> finished_ GUARDED_BY(mutex_);   // ended, not yet joined
  std::vector<std::unique_ptr<Worker>> abandoned_ GUARDED_BY(mutex_);  // stuck at Stop
  size_t runningTasks_ GUARDED_BY(mutex_) = 0;
  bool stopping_ GUARDED_BY(mutex_) = false;
};

}  // namespace keydesk
