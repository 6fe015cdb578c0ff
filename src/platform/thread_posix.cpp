#include <pthread.h>

#include <cstring>
#include <string>

#include "platform/errors.h"
#include "platform/thread.h"

namespace keydesk {
namespace {

void* Start(void* body) noexcept {
  const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
  (*owned)();
  return nullptr;
}

}  // namespace

struct Thread::Native {
  pthread_t thread{};
};

Thread::Thread(size_t stackSize, std::function<void()> body) {
  auto native = std::make_unique<Native>();
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  int result = pthread_attr_setstacksize(&attributes, stackSize);
  if (result == 0) result = pthread_create(&native->thread, &attributes, &Start, owned.get());
  pthread_attr_destroy(&attributes);
  if (result != 0) {
    // The GNU strerror_r: threads are started on the accepting thread, beside others.
    char buffer[256];
    throw Error(std::string("Cannot start a thread: ") + strerror_r(result, buffer, sizeof buffer));
  }
  owned.release();  // the thread's now
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
  pthread_join(native_->thread, nullptr);
  native_.reset();
}

void Thread::Detach() {
  pthread_detach(native_->thread);
  native_.reset();
}

}  // namespace keydesk
