// The member-card test dialog's operations against a recording fake device, so that every
// argument, and what the out texts held when the device got them, can be checked.
#include "kinds/member/member_test_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/base_member.h"
#include "handler_harness.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct WriteCall {
  std::string cardNo, text2, text3, text4;
  int32_t channel = 0;
  bool operator==(const WriteCall&) const = default;
};

struct ReadCall {
  bool flag = true;
  bool outsEmpty = false;  // all five out texts were empty when the device got them
  int32_t channel = 0;
  bool operator==(const ReadCall&) const = default;
};

// Records what it is asked and answers as told; a read fills every out text whatever its
// result.
class RecordingMember final : public TBaseMember {
 public:
  bool OpenPort() override { return ++opened, result; }
  bool ClosePort() override { return ++closed, result; }
  void Beep() override { ++beeps; }
  bool WriteCard(const std::string& CardNo, const std::string& Text2, const std::string& Text3,
                 const std::string& Text4, int32_t Channel) override {
    writes.push_back({CardNo, Text2, Text3, Text4, Channel});
    return result;
  }
  bool ReadCard(bool Flag, std::string& CardNo, std::string& Password, std::string& ExpireDate,
                std::string& GuestName, std::string& Score, int32_t Channel) override {
    const bool outsEmpty = CardNo.empty() && Password.empty() && ExpireDate.empty() &&
                           GuestName.empty() && Score.empty();
    reads.push_back({Flag, outsEmpty, Channel});
    CardNo = "8001";
    Password = "pw";
    ExpireDate = "2027-12-31";
    GuestName = "Li";
    Score = "250";
    return result;
  }
  bool PrintCard(const std::string& CardNo, const std::string& PrintText) override {
    prints.emplace_back(CardNo, PrintText);
    return result;
  }

  bool result = true;
  int opened = 0;
  int closed = 0;
  int beeps = 0;
  std::vector<WriteCall> writes;
  std::vector<ReadCall> reads;
  std::vector<std::pair<std::string, std::string>> prints;
};

const std::string kHotelCard = AnsiFromUtf8("酒店会员卡");
const std::string kAllianceCard = AnsiFromUtf8("Marvesk联盟卡");

class MemberTestActionsTest : public ::testing::Test {
 protected:
  test::HandlerHarness harness_;
  RecordingMember device_;
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

  EXPECT_THAT(device_.reads, ElementsAre(ReadCall{false, true, -1}, ReadCall{false, true, 11},
                                         ReadCall{false, true, 11}));
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

  EXPECT_THAT(device_.writes,
              ElementsAre(WriteCall{"1001", "", "", "", -1}, WriteCall{"", "", "", "", 11}));
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

  EXPECT_EQ(device_.opened, 1);
  EXPECT_EQ(device_.beeps, 1);
  EXPECT_EQ(device_.closed, 1);
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
  EXPECT_EQ(device_.opened + device_.beeps, 0);
}

}  // namespace
}  // namespace keydesk
