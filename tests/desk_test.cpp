#include "app/desk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/device_options.h"
#include "app/journal_browser.h"
#include "app/system_settings.h"
#include "fakes/fake_doorlock.h"
#include "fakes/fake_hand.h"
#include "fakes/fake_police.h"
#include "handler_harness.h"
#include "kinds/doorlock/doorlock_kind.h"
#include "kinds/hand/hand_kind.h"
#include "kinds/police/police_kind.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A window that records what the desk asked of it, and answers the password prompt as told.
class RecordingView final : public DeskView {
 public:
  bool AskAdminPassword() override { return calls.push_back("password"), passwordGiven; }
  void ShowChangePassword() override { calls.push_back("change password"); }
  void ShowDoorlockOptions(SharedOption&) override { calls.push_back("doorlock options"); }
  void ShowSystemSettings(SystemSettings& settings) override {
    calls.push_back("settings " + std::to_string(settings.Fields().size()));
    offered.clear();
    for (const SettingField& field : settings.Fields()) {
      if (!field.AllowHost.empty()) offered.push_back(field.Caption);
    }
  }
  void ShowTestPanel(const TestPanel& panel) override { calls.push_back("test " + panel.Name()); }
  void ShowJournal(JournalBrowser&) override { calls.push_back("journal"); }
  void ShowLog(const std::string&, const std::string& notice) override {
    calls.push_back("log " + Utf8FromAnsi(notice));
  }
  void ShowAbout(const std::string& caption, const std::string&) override {
    calls.push_back("about " + caption);
  }
  void ShowMessage(const BoxMessage& message) override {
    calls.push_back(std::string("message ") + message.Text);
  }
  void ShowText(const std::string& text) override { calls.push_back("text " + text); }
  void CloseWindow() override { calls.push_back("close"); }
  void AddLine(const std::string& line) override { lines.push_back(Utf8FromAnsi(line)); }

  bool passwordGiven = true;
  std::vector<std::string> calls;
  std::vector<std::string> offered;  // the settings' offers to allow a refused host
  std::vector<std::string> lines;
};

class DeskTest : public ::testing::Test {
 protected:
  test::HandlerHarness harness_;
  RecordingView view_;
};

TEST_F(DeskTest, GuardedCommandsRunOnlyAfterThePassword) {
  DoorlockKind kind(harness_.context, std::make_unique<test::FakeDoorlock>());
  Desk desk(harness_.context, kind);
  view_.passwordGiven = false;
  for (const DeskCommandInfo& command : DeskCommands()) desk.Run(command.Command, view_);
  // Refused: options, settings and the password change show nothing.
  EXPECT_THAT(view_.calls,
              ElementsAre("close", "password", "password", "test TDoorlockTestForm", "journal",
                          "log ", "password", "about 关于 MarveskOxbel门锁接口"));

  view_.calls.clear();
  view_.passwordGiven = true;
  desk.Run(DeskCommand::Options, view_);
  desk.Run(DeskCommand::Settings, view_);
  desk.Run(DeskCommand::ChangePassword, view_);
  EXPECT_THAT(view_.calls, ElementsAre("password", "doorlock options", "password", "settings 17",
                                       "password", "change password"));
  EXPECT_TRUE(desk.MayClose(view_));
  view_.passwordGiven = false;
  EXPECT_FALSE(desk.MayClose(view_));
}

TEST_F(DeskTest, EachKindShowsItsOwnOptionsAndTest) {
  HandKind hand(harness_.context, std::make_unique<test::FakeHand>());
  Desk handDesk(harness_.context, hand);
  handDesk.Run(DeskCommand::Options, view_);
  handDesk.Run(DeskCommand::Test, view_);
  EXPECT_THAT(view_.calls, ElementsAre("password", std::string("message ") + kNoDeviceOptions.Text,
                                       "test THandTestForm"));

  view_.calls.clear();
  PoliceKind police(harness_.log, std::make_unique<test::FakePolice>());
  Desk policeDesk(harness_.context, police);
  policeDesk.Run(DeskCommand::Test, view_);
  ASSERT_EQ(view_.calls.size(), 1u);
  EXPECT_THAT(view_.calls[0], ::testing::StartsWith("text "));

  // Without a device, Options after the password and Test do nothing.
  view_.calls.clear();
  DoorlockKind bare(harness_.context, nullptr);
  Desk bareDesk(harness_.context, bare);
  bareDesk.Run(DeskCommand::Options, view_);
  bareDesk.Run(DeskCommand::Test, view_);
  EXPECT_THAT(view_.calls, ElementsAre("password"));
}

TEST_F(DeskTest, TheLogViewSaysWhenNothingIsWritten) {
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  harness_.sysOption.WriteLog = false;
  desk.Run(DeskCommand::Log, view_);
  ASSERT_EQ(view_.calls.size(), 1u);
  EXPECT_THAT(view_.calls[0], ::testing::HasSubstr("WriteLog"));
}

TEST_F(DeskTest, TheStateLineIsGivenWhenItChangedWithItsTones) {
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  harness_.status.SetEncoder("libdrevan.so", true);
  const std::optional<DeskState> first = desk.NewState();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Encoder.Tone, StateTone::Simulator);
  EXPECT_EQ(first->Listener.Tone, StateTone::Plain);
  EXPECT_FALSE(desk.NewState());

  harness_.status.NotListening(8886, "Address already in use");
  const std::optional<DeskState> failed = desk.NewState();
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->Listener.Tone, StateTone::Alarm);
  EXPECT_THAT(Utf8FromAnsi(failed->Listener.Text), ::testing::HasSubstr("没有监听"));

  // An encoder that carries out no card operation in a row is an alarm until one succeeds.
  harness_.status.EncoderCalled(false);
  harness_.status.EncoderCalled(false);
  EXPECT_EQ(desk.NewState()->Encoder.Tone, StateTone::Simulator);
  harness_.status.EncoderCalled(false);
  const std::optional<DeskState> stuck = desk.NewState();
  EXPECT_EQ(stuck->Encoder.Tone, StateTone::Alarm);
  EXPECT_THAT(Utf8FromAnsi(stuck->Encoder.Text), ::testing::HasSubstr("连续 3 次读写卡没有成功"));
  harness_.status.EncoderCalled(true);
  EXPECT_EQ(desk.NewState()->Encoder.Tone, StateTone::Simulator);

  // A store server reached unverified stands in the warning for as long as it is used.
  harness_.status.SetUnverifiedStoreServer("PostgreSQL host=db1");
  const std::optional<DeskState> unverified = desk.NewState();
  EXPECT_EQ(unverified->Warning.Tone, StateTone::Alarm);
  EXPECT_THAT(Utf8FromAnsi(unverified->Warning.Text),
              ::testing::HasSubstr("VerifyServer=0），局域网上的机器可以冒充 PostgreSQL host=db1"));
}

TEST_F(DeskTest, RefusedHostsAreCountedOnTheStateLineAndOfferedInTheSettings) {
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  ProfileFile(harness_.sysOption.FileName).WriteString("Network", "AllowedHosts", "127.0.0.1");
  ASSERT_TRUE(desk.NewState());
  for (int i = 0; i < 3; ++i) {
    harness_.status.ConnectionRefused(kLoopbackAddress + 1, ConnectionRefusal::NotAllowed);
  }
  harness_.status.ConnectionRefused(kLoopbackAddress + 2, ConnectionRefusal::TooManyFromHost);
  const std::optional<DeskState> state = desk.NewState();
  ASSERT_TRUE(state);
  EXPECT_EQ(state->Warning.Tone, StateTone::Alarm);
  EXPECT_EQ(Utf8FromAnsi(state->Warning.Text),
            "拒绝了 127.0.0.2 的 3 次连接：不在允许的主机中；拒绝了 127.0.0.3 的 1 次连接：这台主机"
            "的连接数已满（MaxConnectionsPerHost），没有等待请求的连接可以关闭");

  // Only the host kept out by the list is offered; a cap is no matter of the list.
  desk.Run(DeskCommand::Settings, view_);
  EXPECT_THAT(view_.offered, ElementsAre("允许 127.0.0.2 连接（已拒绝 3 次）"));
}

TEST_F(DeskTest, OperationsComeOnceEachWithFailuresMarked) {
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  EXPECT_THAT(desk.NewOperations(), IsEmpty());
  OperationEntry done;
  done.Type = "ReadCard";
  done.ResultCode = "200";
  done.Answered = true;
  OperationEntry unanswered;
  unanswered.Type = "IssueCard";
  harness_.status.Operations().Add(done);
  harness_.status.Operations().Add(unanswered);
  const std::vector<DeskOperation> lines = desk.NewOperations();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_FALSE(lines[0].Failed);
  EXPECT_TRUE(lines[1].Failed);
  EXPECT_THAT(Utf8FromAnsi(lines[1].Line), ::testing::HasSubstr("没有答复"));
  EXPECT_THAT(desk.NewOperations(), IsEmpty());
}

TEST_F(DeskTest, StartAndStopWriteTheirLinesInTheViewsPane) {
  harness_.sysOption.DoorlockPortNo = 0;
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  desk.Start(view_);
  EXPECT_TRUE(desk.Listening());
  desk.Stop(view_);
  desk.Stop(view_);
  EXPECT_FALSE(desk.Listening());
  ASSERT_EQ(view_.lines.size(), 2u);
  EXPECT_EQ(view_.lines[1], kStopLine);
}

}  // namespace
}  // namespace keydesk
