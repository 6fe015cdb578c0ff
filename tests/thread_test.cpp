#include "platform/thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <limits>
#include <thread>

#include "platform/errors.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace keydesk {
namespace {

// Above the least stack a system gives (Wine reserves 1 MiB at least) and below a program's
// default (2 MiB on Windows, 8 MiB on Linux), so that only the size asked for fits.
constexpr size_t kStackSize = 1536 * 1024;

// The stack the calling thread has in all: its reservation on Windows.
size_t OwnStackSize() {
#if defined(_WIN32)
  const auto* block = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
  MEMORY_BASIC_INFORMATION region{};
  VirtualQuery(&region, &region, sizeof region);
  return static_cast<size_t>(static_cast<const char*>(block->StackBase) -
                             static_cast<const char*>(region.AllocationBase));
#else
  pthread_attr_t attributes;
  size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstacksize(&attributes, &size);
    pthread_attr_destroy(&attributes);
  }
  return size;
#endif
}

// A thousand idle connection threads must stay small: the size asked for is the whole stack,
// not a first part of the program's default one.
TEST(ThreadTest, HasTheStackItAskedFor) {
  size_t size = 0;
  Thread thread(kStackSize, [&] { size = OwnStackSize(); });
  thread.Join();
  EXPECT_GE(size, kStackSize);
  EXPECT_LT(size, size_t{2} * 1024 * 1024);
}

TEST(ThreadTest, JoinWaitsUntilTheBodyHasEnded) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  bool ended = false;
  Thread thread(kStackSize, [&] {
    released.wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ended = true;
  });
  EXPECT_TRUE(thread.Joinable());
  release.set_value();
  thread.Join();
  EXPECT_TRUE(ended);
  EXPECT_FALSE(thread.Joinable());
}

TEST(ThreadTest, AThreadMayDetachItselfAndEndOnItsOwn) {
  std::promise<Thread*> start;
  std::future<Thread*> self = start.get_future();
  std::promise<void> detach;
  std::future<void> detached = detach.get_future();
  Thread thread(kStackSize, [&] {
    self.get()->Detach();
    detach.set_value();
  });
  start.set_value(&thread);
  detached.wait();
  // Its object is done with it: going away neither waits nor touches the thread.
  EXPECT_FALSE(thread.Joinable());
}

TEST(ThreadTest, DestroyingOrReplacingAThreadJoinsIt) {
  std::atomic<int> ended{0};
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  {
    Thread first(kStackSize, [&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ++ended;
    });
    first = Thread(kStackSize, [&] {
      released.wait();
      ++ended;
    });
    EXPECT_EQ(ended, 1);
    release.set_value();
  }
  EXPECT_EQ(ended, 2);
}

TEST(ThreadTest, AStackThatCannotBeHadIsAnErrorWithTheSystemsReason) {
  bool ran = false;
  try {
    Thread thread(std::numeric_limits<size_t>::max() / 2 + 1, [&] { ran = true; });
    ADD_FAILURE() << "started";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), ::testing::StartsWith("Cannot start a thread: "));
    EXPECT_GT(std::string(error.what()).size(), std::string("Cannot start a thread: ").size());
  }
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace keydesk
