// The member-card test dialog's operations against a fake device that records every
// argument, and what the out texts held when the device got them.
#include "kinds/member/member_test_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_member.h"
#include "handler_harness.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kHotelCard = AnsiFromUtf8("酒店会员卡");
const std::string kAllianceCard = AnsiFromUtf8("Marvesk联盟卡");

class MemberTestActionsTest : public ::testing::Test {
 protected:
  test::HandlerHarness harness_;
  test::FakeMember device_;
  MemberTestActions actions_{&device_};
};

TEST(MemberTestChannelTest, OnlyTheHotelCardsExactTextGivesMinusOne) {
  EXPECT_EQ(MemberTestActions::Channel(kHotelCard), -1);
  EXPECT_EQ(MemberTestActions::Channel(kAllianceCard), 11);
}

TEST(MemberTestChannelTest, AnyOtherTypedOrClearedTextGivesEleven) {
  for (const std::string& text :
       {std::string(), AnsiFromUtf8("酒店会员卡 "), AnsiFromUtf8(" 酒店会员卡"),
        AnsiFromUtf8("酒店会员"), std::string("-1"), std::string("Marvesk")}) {
    EXPECT_EQ(MemberTestActions::Channel(text), 11) << Utf8FromAnsi(text);
  }
}

TEST(MemberTestChannelTest, TheListsTextIsComparedInCodePage936) {
  // The same characters in UTF-8 are another text.
  EXPECT_EQ(MemberTestActions::Channel("酒店会员卡"), 11);
}

TEST_F(MemberTestActionsTest, ReadPassesFlagFalseEmptiedOutsAndTheListsChannel) {
  MemberTestRead read{"old", "old", "old", "old", "old"};
  EXPECT_TRUE(actions_.ReadCard(kHotelCard, read));
  EXPECT_TRUE(actions_.ReadCard(kAllianceCard, read));
  EXPECT_TRUE(actions_.ReadCard("", read));

  EXPECT_THAT(device_.reads,
              ElementsAre(test::MemberRead{false, true, -1}, test::MemberRead{false, true, 11},
                          test::MemberRead{false, true, 11}));
  EXPECT_EQ(read.CardNo, "8001");
  EXPECT_EQ(read.Password, "pw");
  EXPECT_EQ(read.ExpireDate, "2027-12-31");
  EXPECT_EQ(read.GuestName, "Li");
  EXPECT_EQ(read.Score, "250");
}

TEST_F(MemberTestActionsTest, AFailedReadKeepsWhatTheDeviceLeft) {
  device_.result = false;
  MemberTestRead read;
  EXPECT_FALSE(actions_.ReadCard(kHotelCard, read));
  EXPECT_EQ(read.CardNo, "8001");
  EXPECT_EQ(read.Password, "pw");
}

TEST_F(MemberTestActionsTest, WritePassesTheCardNumberThreeEmptyTextsAndTheChannel) {
  EXPECT_TRUE(actions_.WriteCard("1001", kHotelCard));
  device_.result = false;
  EXPECT_FALSE(actions_.WriteCard("", kAllianceCard));

  EXPECT_THAT(device_.writes, ElementsAre(test::MemberWrite{"1001", "", "", "", -1},
                                          test::MemberWrite{"", "", "", "", 11}));
}

TEST_F(MemberTestActionsTest, PrintSendsTheFixedNumberAndTextInCodePage936) {
  EXPECT_TRUE(actions_.PrintCard());
  device_.result = false;
  EXPECT_FALSE(actions_.PrintCard());

  const std::pair<std::string, std::string> expected{
      "88888888", AnsiFromUtf8("\r\n当前消费:100\r\n卡内余额:300")};
  EXPECT_THAT(device_.prints, ElementsAre(expected, expected));
  EXPECT_EQ(Utf8FromAnsi(device_.prints[0].second), "\r\n当前消费:100\r\n卡内余额:300");
}

TEST_F(MemberTestActionsTest, PortAndBeepCallTheDeviceAndPassItsResultOn) {
  EXPECT_TRUE(actions_.OpenPort());
  actions_.Beep();
  device_.result = false;
  EXPECT_FALSE(actions_.ClosePort());

  EXPECT_EQ(device_.Count("OpenPort"), 1);
  EXPECT_EQ(device_.Count("Beep"), 1);
  EXPECT_EQ(device_.Count("ClosePort"), 1);
}

TEST_F(MemberTestActionsTest, WithoutADeviceEveryOperationFailsAndTheReadIsEmpty) {
  MemberTestActions withoutDevice(nullptr);
  MemberTestRead read{"old", "old", "old", "old", "old"};

  EXPECT_FALSE(withoutDevice.OpenPort());
  withoutDevice.Beep();
  EXPECT_FALSE(withoutDevice.ClosePort());
  EXPECT_FALSE(withoutDevice.ReadCard(kHotelCard, read));
  EXPECT_FALSE(withoutDevice.WriteCard("1001", kHotelCard));
  EXPECT_FALSE(withoutDevice.PrintCard());

  EXPECT_EQ(read.CardNo, "");
  EXPECT_EQ(read.Password, "");
  EXPECT_THAT(device_.reads, IsEmpty());
  EXPECT_EQ(device_.Count("OpenPort") + device_.Count("Beep"), 0);
}

}  // namespace
}  // namespace keydesk
