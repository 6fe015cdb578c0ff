#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace keydesk {

// A thread with a stack of the size asked for, which std::thread cannot give: the intake runs
// a thread per connection, and a small stack keeps a thousand idle ones cheap. One
// implementation per platform: pthreads, or _beginthreadex on Windows, where the size is the
// stack's reservation, so that a 32-bit process also has room for many.
//
// A running thread is joined or detached once; one not yet joined is joined when its object
// is destroyed or assigned to. Join and Detach are not thread-safe: one thread at a time calls
// them, the thread itself may detach itself.
class Thread {
 public:
  // No thread.
  Thread() noexcept;
  // Starts body on a new thread with a stack of stackSize bytes (as the system rounds it).
  // Raises Error with the system's reason when no thread can be started. An exception leaving
  // body ends the process.
  Thread(size_t stackSize, std::function<void()> body);
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // A thread that is neither joined nor detached yet.
  bool Joinable() const { return native_ != nullptr; }
  // Waits until the thread has ended.
  void Join();
  // Lets the thread end on its own; the system reclaims it then.
  void Detach();

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace keydesk
