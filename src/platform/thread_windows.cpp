#include <windows.h>
// After windows.h.
#include <process.h>

#include <limits>
#include <string>

#include "platform/errors.h"
#include "platform/thread.h"
#include "platform/wide_text_windows.h"

namespace keydesk {
namespace {

unsigned __stdcall Start(void* body) noexcept {
  const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
  (*owned)();
  return 0;
}

}  // namespace

struct Thread::Native {
  HANDLE thread = nullptr;
};

Thread::Thread(size_t stackSize, std::function<void()> body) {
  // _beginthreadex takes the size as an unsigned.
  if (stackSize > std::numeric_limits<unsigned>::max()) {
    throw Error("Cannot start a thread: " + SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
  }
  auto native = std::make_unique<Native>();
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  // The size reserves the stack, which is committed page by page as it is used: without the
  // flag it would be committed at once and the reservation stay the program's default.
  const uintptr_t handle = _beginthreadex(nullptr, static_cast<unsigned>(stackSize), &Start,
                                          owned.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (handle == 0) {
    throw Error("Cannot start a thread: " + SystemErrorText(GetLastError()));
  }
  owned.release();  // the thread's now
  native->thread = reinterpret_cast<HANDLE>(handle);
  native_ = std::move(native);
}

Thread::Thread() noexcept = default;

Thread::~Thread() {
  if (Joinable()) Join();
}

Thread::Thread(Thread&& other) noexcept = default;

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    if (Joinable()) Join();
    native_ = std::move(other.native_);
  }
  return *this;
}

void Thread::Join() {
  WaitForSingleObject(native_->thread, INFINITE);
  CloseHandle(native_->thread);
  native_.reset();
}

void Thread::Detach() {
  CloseHandle(native_->thread);
  native_.reset();
}

}  // namespace keydesk
