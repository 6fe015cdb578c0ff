// The way to the encoder: turns by host with deadlines, and calls with a limit, over a fake
// driver whose calls the test holds up.
#include "doorlock/encoder_access.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "core/service_status.h"
#include "fakes/fake_doorlock.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ::testing::ElementsAre;

// A call that records who made it and waits until the test lets it go.
struct Gate {
  std::atomic<int> started{0};
  std::mutex mutex;
  std::vector<int> order;
  std::promise<void> open;
  std::shared_future<void> opened = open.get_future().share();
};

std::shared_ptr<EncoderJob> Recording(Gate& gate, int who) {
  return std::make_shared<EncoderCall<int>>([&gate, who](int&) {
    ++gate.started;
    gate.opened.wait();
    std::lock_guard lock(gate.mutex);
    gate.order.push_back(who);
  });
}

class EncoderAccessTest : public ::testing::Test {
 protected:
  // Requests from host, each in line (or, the first, at the encoder) before the next is
  // made, so that their order of arrival is known.
  void Ask(uint32_t host, int who, std::optional<Clock::time_point> deadline = std::nullopt) {
    const size_t waiting = encoder_.Waiting();
    threads_.emplace_back([this, host, who, deadline] {
      refusals_[static_cast<size_t>(who)] =
          encoder_.Run({host, deadline, {}}, Recording(gate_, who));
    });
    const Clock::time_point giveUp = Clock::now() + 10s;
    while ((threads_.size() == 1 ? gate_.started.load() == 0 : encoder_.Waiting() == waiting) &&
           Clock::now() < giveUp) {
      std::this_thread::sleep_for(1ms);
    }
  }
  void Join() {
    for (auto& thread : threads_) thread.join();
    threads_.clear();
  }

  test::FakeDoorlock driver_;
  ServiceStatus status_;
  EncoderAccess encoder_{driver_, 10s, &status_};
  Gate gate_;
  std::vector<std::thread> threads_;
  std::optional<EncoderRefusal> refusals_[16];
};

// One host asking without pause keeps another waiting for one call of its own at most.
TEST_F(EncoderAccessTest, HostsTakeTurnsAndEachHostsRequestsKeepTheirOrder) {
  Ask(1, 0);  // holds the encoder until the gate opens
  Ask(1, 1);
  Ask(1, 2);
  Ask(1, 3);
  Ask(2, 4);
  Ask(3, 5);
  Ask(2, 6);
  gate_.open.set_value();
  Join();
  EXPECT_THAT(gate_.order, ElementsAre(0, 1, 4, 5, 2, 6, 3));
}

TEST_F(EncoderAccessTest, ARequestStillWaitingAtItsDeadlineIsToldTheEncoderIsBusy) {
  Ask(1, 0);
  Ask(2, 1, Clock::now() + 100ms);
  Ask(3, 2);
  while (encoder_.Waiting() == 2) std::this_thread::sleep_for(1ms);  // 1 has given up
  gate_.open.set_value();
  Join();
  ASSERT_TRUE(refusals_[1].has_value());
  EXPECT_EQ(refusals_[1]->What, EncoderRefusal::Kind::Busy);
  EXPECT_EQ(Utf8FromAnsi(refusals_[1]->Reason), "发卡器忙");
  EXPECT_THAT(gate_.order, ElementsAre(0, 2));
}

TEST_F(EncoderAccessTest, ARequestWhoseClientHasGoneLeavesTheLine) {
  Ask(1, 0);
  std::atomic<bool> gone{false};
  threads_.emplace_back([&] {
    refusals_[1] =
        encoder_.Run({2, std::nullopt, [&] { return gone.load(); }}, Recording(gate_, 1));
  });
  while (encoder_.Waiting() == 0) std::this_thread::sleep_for(1ms);
  gone = true;
  std::this_thread::sleep_for(2 * EncoderLine::kLookInterval);
  gate_.open.set_value();
  Join();
  ASSERT_TRUE(refusals_[1].has_value());
  EXPECT_EQ(refusals_[1]->What, EncoderRefusal::Kind::Gone);
  EXPECT_THAT(gate_.order, ElementsAre(0));
}

// A call the library does not return from: its caller is answered at the limit, later calls
// fail at once and the status says why, until the call comes back.
TEST(EncoderHungTest, ACallPastItsLimitLeavesTheEncoderStuckUntilItReturns) {
  test::FakeDoorlock driver;
  ServiceStatus status;
  EncoderAccess encoder(driver, 100ms, &status);
  Gate gate;
  struct Late final : EncoderJob {
    explicit Late(Gate& gate) : gate_(gate) {}
    void Call() override { gate_.opened.wait(); }
    void Abandoned() override { abandoned = true; }
    Gate& gate_;
    std::atomic<bool> abandoned{false};
  };
  const auto late = std::make_shared<Late>(gate);
  const Clock::time_point asked = Clock::now();
  const std::optional<EncoderRefusal> first = encoder.Run({}, late);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->What, EncoderRefusal::Kind::Stuck);
  EXPECT_GE(Clock::now() - asked, 100ms);
  EXPECT_EQ(Utf8FromAnsi(first->Reason), "发卡器 1 秒没有响应");
  EXPECT_TRUE(encoder.StuckSince().has_value());
  EXPECT_EQ(status.Get().EncoderStuck, first->Reason);

  bool ran = false;
  const auto next = std::make_shared<EncoderCall<int>>([&ran](int&) { ran = true; });
  const std::optional<EncoderRefusal> second = encoder.Run({}, next);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->What, EncoderRefusal::Kind::StuckBefore);
  EXPECT_FALSE(ran);

  gate.open.set_value();
  const Clock::time_point giveUp = Clock::now() + 10s;
  while (status.Get().EncoderStuck && Clock::now() < giveUp) std::this_thread::sleep_for(5ms);
  EXPECT_FALSE(status.Get().EncoderStuck.has_value());
  EXPECT_TRUE(late->abandoned);
  EXPECT_FALSE(encoder.StuckSince().has_value());
  EXPECT_FALSE(encoder.Run({}, next).has_value());
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace keydesk
