// The hand-tag test dialog's operations against a fake device, with a fixed clock.
#include "kinds/hand/hand_test_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_hand.h"
#include "handler_harness.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;

class HandTestActionsTest : public ::testing::Test {
 protected:
  test::HandlerHarness harness_;
  test::FakeHand device_;
  HandTestActions actions_{&device_, harness_.clock};
};

TEST_F(HandTestActionsTest, TheDefaultTimesAreAnHourBeforeAndTwoDaysAfterNow) {
  harness_.clock.Set(test::MakeDateTime(2026, 12, 7, 9, 30, 5));
  EXPECT_EQ(actions_.DefaultCheckIn(), "2026-12-07 08:30:05");
  EXPECT_EQ(actions_.DefaultCheckOut(), "2026-12-09 09:30:05");
}

TEST_F(HandTestActionsTest, BeforeOneOClockTheCheckInFallsOnThePreviousDay) {
  harness_.clock.Set(test::MakeDateTime(2027, 1, 1, 0, 59, 59));
  EXPECT_EQ(actions_.DefaultCheckIn(), "2026-12-31 23:59:59");
  EXPECT_EQ(actions_.DefaultCheckOut(), "2027-01-03 00:59:59");
}

TEST_F(HandTestActionsTest, CardOperationsGetAnEmptiedNumberAndGiveBackTheDevices) {
  std::string handNo = "typed";
  EXPECT_TRUE(actions_.WriteCard(handNo));
  EXPECT_EQ(handNo, "123");
  device_.number = "77";
  EXPECT_TRUE(actions_.ReadCard(handNo));
  EXPECT_EQ(handNo, "77");
  device_.number = "A-9";
  EXPECT_TRUE(actions_.EraseCard(handNo));
  EXPECT_EQ(handNo, "A-9");

  EXPECT_THAT(device_.calls, ElementsAre("WriteCard()", "ReadCard()", "EraseCard()"));
}

TEST_F(HandTestActionsTest, AFailedOperationStillGivesBackWhatTheDeviceLeft) {
  device_.result = false;
  device_.number = "";
  std::string handNo = "old";
  EXPECT_FALSE(actions_.ReadCard(handNo));
  EXPECT_EQ(handNo, "");
  device_.number = "5";
  EXPECT_FALSE(actions_.WriteCard(handNo));
  EXPECT_EQ(handNo, "5");
}

TEST_F(HandTestActionsTest, PortAndBeepCallTheDeviceAndPassItsResultOn) {
  EXPECT_TRUE(actions_.OpenPort());
  actions_.Beep();
  device_.result = false;
  EXPECT_FALSE(actions_.ClosePort());
  EXPECT_THAT(device_.calls, ElementsAre("OpenPort", "Beep", "ClosePort"));
}

TEST_F(HandTestActionsTest, WithoutADeviceEveryOperationFailsWithAnEmptyNumber) {
  HandTestActions withoutDevice(nullptr, harness_.clock);
  std::string handNo = "old";
  EXPECT_FALSE(withoutDevice.OpenPort());
  withoutDevice.Beep();
  EXPECT_FALSE(withoutDevice.ClosePort());
  EXPECT_FALSE(withoutDevice.WriteCard(handNo));
  EXPECT_EQ(handNo, "");
  handNo = "old";
  EXPECT_FALSE(withoutDevice.ReadCard(handNo));
  EXPECT_EQ(handNo, "");
  handNo = "old";
  EXPECT_FALSE(withoutDevice.EraseCard(handNo));
  EXPECT_EQ(handNo, "");
  EXPECT_TRUE(device_.calls.empty());
}

}  // namespace
}  // namespace keydesk
