#include "kinds/test_panel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>

#include "app/panel_press.h"
#include "core/operation_list.h"
#include "fakes/fake_doorlock.h"
#include "fakes/fake_hand.h"
#include "fakes/fake_member.h"
#include "handler_harness.h"
#include "kinds/doorlock/doorlock_service.h"
#include "kinds/doorlock/doorlock_test_panel.h"
#include "kinds/hand/hand_test_panel.h"
#include "kinds/member/member_test_actions.h"
#include "kinds/member/member_test_panel.h"
#include "kinds/test_listing.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

// What a dialog sends: every entry with the text it opened with, some typed over.
PanelEntries Opened(const TestPanel& panel, const PanelEntries& typed = {}) {
  PanelEntries entries;
  for (const PanelEntry& entry : panel.Entries()) entries[entry.Name] = entry.Text;
  for (const auto& [name, text] : typed) entries[name] = text;
  return entries;
}

// The operations the main window's list was given: type, number and whether each failed.
std::vector<std::string> Listed(const ServiceStatus& status) {
  std::vector<std::string> listed;
  for (const OperationEntry& entry : status.Operations().Since(0).Entries) {
    EXPECT_EQ(Utf8FromAnsi(entry.Peer), kTestPeer);
    listed.push_back(entry.Type + " " + entry.CardNo + (OperationFailed(entry) ? " failed" : ""));
  }
  return listed;
}

std::vector<std::string> Names(const TestPanel& panel) {
  std::vector<std::string> names;
  for (const PanelEntry& entry : panel.Entries()) names.push_back(entry.Name);
  for (const PanelButton& button : panel.Buttons()) names.push_back(button.Name);
  return names;
}

class TestPanelTest : public ::testing::Test {
 protected:
  test::HandlerHarness harness_;
  test::FakeDoorlock doorlock_;
  DoorlockService service_{harness_.context, &doorlock_};
};

TEST_F(TestPanelTest, TheDoorlockPanelWritesTheTypedRoomAndReadsTheNumberIntoItsBox) {
  const TestPanel panel = DoorlockTestPanel(service_);
  EXPECT_EQ(panel.Name(), "TDoorlockTestForm");
  EXPECT_THAT(
      Names(panel),
      ElementsAre("RoomBuildingCodeTxt", "RoomFloorCodeTxt", "RoomNoTxt", "CheckInDateTimeTxt",
                  "CheckOutDateTimeTxt", "IsCopyCheckBox", "CardNoTxt", "OpenPortBtn", "beepBtn",
                  "ClosePortBtn", "WriteCardBtn", "ReadCardBtn", "EraseCardBtn"));

  doorlock_.cardNo = 77;
  const PanelResult written =
      panel.Press("WriteCardBtn", Opened(panel, {{"RoomNoTxt", "08"}, {"IsCopyCheckBox", "1"}}));
  EXPECT_EQ(Utf8FromAnsi(written.Line), "写卡成功：卡号 77");
  EXPECT_EQ(written.Tone, PanelTone::Success);
  ASSERT_EQ(doorlock_.writes.size(), 1u);
  EXPECT_EQ(doorlock_.writes[0].roomNo, "08");
  EXPECT_TRUE(doorlock_.writes[0].isCopy);

  EXPECT_THAT(panel.Button("ReadCardBtn").Clears, ElementsAre("CardNoTxt"));
  doorlock_.readNo = 91;
  const PanelResult read = panel.Press("ReadCardBtn", Opened(panel));
  EXPECT_THAT(read.Filled, ElementsAre(Pair("CardNoTxt", "91")));
  EXPECT_THAT(Utf8FromAnsi(read.Line), ::testing::StartsWith("读卡成功"));

  EXPECT_THROW(panel.Press("WriteCardBtn", Opened(panel, {{"CheckInDateTimeTxt", "not a day"}})),
               Error);
  EXPECT_EQ(doorlock_.writes.size(), 1u);
  EXPECT_THROW(panel.Press("NoSuchBtn", Opened(panel)), Error);
}

TEST_F(TestPanelTest, PortButtonsSayWhetherTheDeviceAnswered) {
  const TestPanel panel = DoorlockTestPanel(service_);
  doorlock_.portResult = false;
  const PanelResult opened = panel.Press("OpenPortBtn", {});
  EXPECT_EQ(Utf8FromAnsi(opened.Line), "打开串口失败");
  EXPECT_EQ(opened.Tone, PanelTone::Failure);
  const PanelResult beeped = panel.Press("beepBtn", {});
  EXPECT_EQ(Utf8FromAnsi(beeped.Line), "已执行 Beep");
  EXPECT_EQ(beeped.Tone, PanelTone::Plain);
  EXPECT_THAT(doorlock_.calls, ElementsAre("OpenPort", "Beep"));
  doorlock_.eraseResult = false;
  EXPECT_EQ(panel.Press("EraseCardBtn", {}).Tone, PanelTone::Failure);
  doorlock_.eraseResult = true;
  EXPECT_EQ(panel.Press("EraseCardBtn", {}).Tone, PanelTone::Success);
}

TEST_F(TestPanelTest, TheHandPanelShowsEachTagsNumber) {
  test::FakeHand hand;
  hand.number = "H42";
  const TestPanel panel = HandTestPanel(&hand, harness_.context);
  EXPECT_EQ(panel.Name(), "THandTestForm");
  for (const char* button : {"WriteCardBtn", "ReadCardBtn", "EraseCardBtn"}) {
    SCOPED_TRACE(button);
    EXPECT_THAT(panel.Button(button).Clears, ElementsAre("HandNoTxt"));
    EXPECT_THAT(panel.Press(button, Opened(panel)).Filled, ElementsAre(Pair("HandNoTxt", "H42")));
  }
  EXPECT_THAT(hand.calls, ElementsAre("WriteCard()", "ReadCard()", "EraseCard()"));
  hand.result = false;
  panel.Press("ReadCardBtn", Opened(panel));
  EXPECT_THAT(Listed(harness_.status),
              ElementsAre("IssueHand H42", "ReadHand H42", "EraseHand H42", "ReadHand H42 failed"));
}

TEST_F(TestPanelTest, TheMemberPanelReadsAndWritesOnTheChosenChannel) {
  test::FakeMember member;
  const TestPanel panel = MemberTestPanel(&member, harness_.context);
  EXPECT_EQ(panel.Name(), "TMemberTestForm");
  EXPECT_EQ(Utf8FromAnsi(panel.Entries()[0].Text), MemberTestActions::kHotelCardItem);

  const PanelResult read = panel.Press("ReadCardBtn", Opened(panel));
  EXPECT_THAT(read.Filled, ElementsAre(Pair("CardNoEdit", "8001"), Pair("PasswordEdit", "pw")));
  panel.Press("WriteCardBtn", Opened(panel, {{"CardNoEdit", "5"}, {"ChannelCmb", "typed"}}));
  ASSERT_EQ(member.reads.size(), 1u);
  ASSERT_EQ(member.writes.size(), 1u);
  EXPECT_EQ(member.writes[0].cardNo, "5");
  EXPECT_NE(member.reads[0].channel, member.writes[0].channel);
  panel.Press("PrintCardBtn", Opened(panel));
  EXPECT_THAT(Listed(harness_.status),
              ElementsAre("ReadMemberCard 8001", "WriteMemberCard 5", "PrintMemberCard 88888888"));
}

TEST_F(TestPanelTest, APressOffTheMainThreadBringsBackItsResultOrItsError) {
  const TestPanel panel = DoorlockTestPanel(service_);
  std::atomic<int> done{0};
  {
    PanelPress press(panel, "OpenPortBtn", {}, [&] { ++done; });
    EXPECT_EQ(Utf8FromAnsi(press.Take().Line), "打开串口成功");
  }
  PanelPress failing(panel, "WriteCardBtn", Opened(panel, {{"CheckOutDateTimeTxt", "x"}}),
                     [&] { ++done; });
  EXPECT_THROW(failing.Take(), Error);
  EXPECT_EQ(done, 2);
}

}  // namespace
}  // namespace keydesk
