#include "app/desk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include <algorithm>
#include <functional>

#include "app/device_options.h"
#include "app/journal_browser.h"
#include "app/system_settings.h"
#include "core/access_log.h"
#include "doorlock/option.h"
#include "fakes/fake_doorlock.h"
#include "fakes/fake_hand.h"
#include "fakes/fake_police.h"
#include "handler_harness.h"
#include "kinds/doorlock/doorlock_kind.h"
#include "kinds/doorlock/doorlock_options.h"
#include "kinds/hand/hand_kind.h"
#include "kinds/police/police_kind.h"
#include "loopback_client.h"
#include "platform/code_page.h"
#include "platform/profile_file.h"
#include "platform/user_name.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using namespace std::chrono_literals;

// A window that records what the desk asked of it, and answers the password prompt as told.
class RecordingView final : public DeskView {
 public:
  bool AskAdminPassword() override {
    calls.push_back("password");
    if (desk == nullptr) return passwordGiven;
    // The prompt as a window runs it: each entry in turn until the desk takes one, then Cancel.
    while (!entries.empty()) {
      const std::string entry = entries.front();
      entries.erase(entries.begin());
      const std::optional<BoxText> refusal = desk->CheckPassword(entry);
      if (!refusal) return true;
      calls.push_back("box " + refusal->Text);
    }
    return false;
  }
  void ShowChangePassword() override { calls.push_back("change password"); }
  void ShowOptions(DeviceOptions& options) override {
    calls.push_back(options.FormName());
    auto* doorlock = dynamic_cast<DoorlockOptions*>(&options);
    if (onOptions && doorlock != nullptr) onOptions(doorlock->Option());
  }
  void ShowSystemSettings(SystemSettings& settings) override {
    calls.push_back("settings " + std::to_string(settings.Fields().size()));
    if (onSettings) onSettings(settings);
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
  void ShowAbout(const std::string& caption, const std::string&, const std::string& memo) override {
    memos.push_back(memo);
    calls.push_back("about " + caption);
  }
  void ShowMessage(const BoxMessage& message) override {
    calls.push_back(std::string("message ") + message.Text);
  }
  void ShowText(const std::string& text) override { calls.push_back("text " + text); }
  bool Confirm(const std::string& question) override {
    calls.push_back("confirm " + Utf8FromAnsi(question));
    return confirmed;
  }
  void CloseWindow() override { calls.push_back("close"); }
  void AddLine(const std::string& line) override { lines.push_back(Utf8FromAnsi(line)); }

  bool passwordGiven = true;
  bool confirmed = false;  // the answer to Confirm
  // With a desk, the prompt gives it these entries (code page 936) instead of passwordGiven.
  Desk* desk = nullptr;
  std::vector<std::string> entries;
  // What the clerk does in the options and settings dialogs.
  std::function<void(SharedOption&)> onOptions;
  std::function<void(SystemSettings&)> onSettings;
  std::vector<std::string> calls;
  std::vector<std::string> memos;    // the about boxes' memos
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
  EXPECT_THAT(view_.calls, ElementsAre("password", "TOptionForm", "password", "settings 25",
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

TEST_F(DeskTest, TheAboutBoxSaysWhichProgramLibraryAndFolderAreAtWork) {
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  desk.Run(DeskCommand::About, view_);
  ASSERT_EQ(view_.memos.size(), 1u);
  const std::string& memo = view_.memos[0];
  EXPECT_THAT(memo, ::testing::StartsWith("程序：keydesk 版本 1.0.0.0，"));
  const std::string dayLabel = "\n构建日期：";
  const size_t at = memo.find(dayLabel);
  ASSERT_NE(at, std::string::npos);
  const std::string day = memo.substr(at + dayLabel.size(), 11);
  // As 2026-12-10, and the line ends there.
  ASSERT_EQ(day.size(), 11u);
  for (size_t i = 0; i < day.size(); ++i) {
    const char c = day[i];
    EXPECT_TRUE(i == 4 || i == 7 ? c == '-' : i == 10 ? c == '\n' : c >= '0' && c <= '9') << day;
  }
  EXPECT_THAT(memo, HasSubstr("\n发卡库：没有载入\n"));
  EXPECT_THAT(memo, ::testing::EndsWith("\n数据文件夹：" + harness_.dir.Path().string()));

  harness_.status.SetEncoder("drevan.dll", false,
                             AnsiFromUtf8("门锁发卡库 C:\\keydesk\\drevan.dll：32 位"));
  desk.Run(DeskCommand::About, view_);
  EXPECT_THAT(view_.memos.back(), HasSubstr("\n门锁发卡库 C:\\keydesk\\drevan.dll：32 位\n"));
}

TEST_F(DeskTest, WhileACardCallRunsTheDeskSaysWhatAndForHowLong) {
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  EXPECT_EQ(desk.BusyText(), "");
  harness_.status.EncoderBusy(AnsiFromUtf8("正在读卡，请勿移开卡片"));
  EXPECT_EQ(Utf8FromAnsi(desk.BusyText()), "正在读卡，请勿移开卡片（已 0 秒）");
  harness_.status.EncoderIdle();
  EXPECT_EQ(desk.BusyText(), "");
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

// A saved key the listener reads is offered to take effect at once: on 是 the listener starts
// again with the file as it is then, and a host the new list leaves out is turned away.
TEST_F(DeskTest, SavedListenerSettingsTakeEffectWhenTheClerkRestartsTheListener) {
  harness_.sysOption.DoorlockPortNo = 0;
  ProfileFile(harness_.sysOption.FileName).WriteString("SysOption", "DoorlockPortNo", "0");
  DoorlockKind kind(harness_.context, nullptr);
  Desk desk(harness_.context, kind);
  desk.Start(view_);
  const auto port = [&] { return static_cast<uint16_t>(harness_.status.Get().Port); };
  const uint32_t secondHost = kLoopbackAddress + 1;
  view_.onSettings = [](SystemSettings& settings) {
    std::vector<std::string> entries;
    for (const SettingField& field : settings.Fields()) {
      entries.push_back(std::string_view(field.Key) == "AllowedHosts" ? "127.0.0.1" : field.Value);
    }
    settings.Save(entries);
  };
  desk.Run(DeskCommand::Settings, view_);
  EXPECT_THAT(view_.calls, ::testing::Contains(HasSubstr("confirm 监听的设置已保存。")));
  // Declined: the listener goes on as it started.
  test::LoopbackClient stillIn(port(), secondHost);
  EXPECT_FALSE(stillIn.ClosedByServer(300ms));

  view_.confirmed = true;
  view_.onSettings = [](SystemSettings& settings) {
    std::vector<std::string> entries;
    for (const SettingField& field : settings.Fields()) {
      entries.push_back(std::string_view(field.Key) == "RequestTimeout" ? "30" : field.Value);
    }
    settings.Save(entries);
  };
  desk.Run(DeskCommand::Settings, view_);
  EXPECT_TRUE(desk.Listening());
  test::LoopbackClient turnedAway(port(), secondHost);
  EXPECT_TRUE(turnedAway.ClosedByServer());
  EXPECT_EQ(std::count(view_.lines.begin(), view_.lines.end(), kStopLine), 1);
  desk.Stop(view_);
}

// A desk over the harness's objects with the access log on and a steady time the test moves.
class DeskGuardTest : public DeskTest {
 protected:
  DeskGuardTest() { view_.desk = &desk_; }

  // What the desk's user is called in the logs, UTF-8.
  static std::string User() {
    const std::string name = UserName();
    return name.empty() ? "（未知）" : Utf8FromAnsi(name);
  }
  std::string AccessLines() const {
    return test::ReadFileBytes(
        AccessLog::FileName(harness_.dir.Path().string(), harness_.clock.Now()));
  }
  std::string DailyLog() const { return test::ReadFileBytes(harness_.log.FileName()); }

  AccessLog access_{harness_.dir.Path().string(), "doorlock", true, harness_.clock};
  ServiceContext context_{harness_.sysOption, harness_.option, harness_.log,     harness_.store,
                          harness_.clock,     harness_.status, harness_.network, access_};
  test::SteadyTime time_;
  DoorlockKind kind_{context_, std::make_unique<test::FakeDoorlock>()};
  Desk desk_{context_, kind_, time_.Now()};
};

const std::string kWrong = "密码错误 ！";
std::string WaitText(int seconds) {
  return "密码输入错误后须等待，请 " + std::to_string(seconds) + " 秒后再试。";
}

TEST_F(DeskGuardTest, AfterAWrongPasswordTheNextEntryWaitsLongerEachTimeUntilARightOne) {
  EXPECT_EQ(desk_.CheckPassword("guess-1")->Text, kWrong);
  // Within the second not even the right password is checked.
  EXPECT_EQ(desk_.CheckPassword("tivrel")->Text, WaitText(1));
  time_.Advance(1s);
  EXPECT_EQ(desk_.CheckPassword("guess-2")->Text, kWrong);
  EXPECT_EQ(desk_.CheckPassword("tivrel")->Text, WaitText(2));
  time_.Advance(1500ms);
  EXPECT_EQ(desk_.CheckPassword("tivrel")->Text, WaitText(1));
  time_.Advance(500ms);
  EXPECT_EQ(desk_.CheckPassword("guess-3")->Text, kWrong);
  time_.Advance(3999ms);
  EXPECT_EQ(desk_.CheckPassword("tivrel")->Text, WaitText(1));
  time_.Advance(1ms);
  EXPECT_EQ(desk_.CheckPassword("tivrel"), std::nullopt);
  // A right entry starts afresh.
  EXPECT_EQ(desk_.CheckPassword("guess-4")->Text, kWrong);
  EXPECT_EQ(desk_.CheckPassword("guess-5")->Text, WaitText(1));

  // Only the entries checked are failures in the logs; an entry refused for the wait is none.
  const std::vector<std::string> log = harness_.Log();
  EXPECT_EQ(
      std::count_if(log.begin(), log.end(),
                    [](const std::string& line) { return line.starts_with("管理员密码错误"); }),
      4);
  EXPECT_THAT(log, ::testing::Contains(
                       "管理员密码错误（连续第 3 次），4 秒内不再受理；操作系统用户：" + User()));
  EXPECT_THAT(log, ::testing::Contains(
                       "管理员密码错误（连续第 1 次），1 秒内不再受理；操作系统用户：" + User()));
  EXPECT_THAT(AccessLines(),
              HasSubstr(" desk doorlock password result=wrong failures=2 wait=2 user=" +
                        AccessLog::Quoted(UserName()) + "\r\n"));
}

TEST_F(DeskGuardTest, EveryPromptOfTheDeskSharesTheWait) {
  view_.entries = {"guess"};
  desk_.Run(DeskCommand::Options, view_);
  // Closing the window straight after is held by the same wait.
  view_.entries = {"tivrel"};
  EXPECT_FALSE(desk_.MayClose(view_));
  time_.Advance(1s);
  view_.entries = {"tivrel"};
  EXPECT_TRUE(desk_.MayClose(view_));
  EXPECT_THAT(view_.calls, ElementsAre("password", "box " + kWrong, "password",
                                       "box " + WaitText(1), "password"));
}

TEST_F(DeskGuardTest, APasswordChangeIsLoggedWithoutTheNewPassword) {
  const std::string secret = "Geheim-77";
  EXPECT_STREQ(desk_.ChangePassword("abc", "abc")->Text, kPasswordTooShort.Text);
  EXPECT_EQ(desk_.ChangePassword(secret, secret), std::nullopt);
  EXPECT_THAT(harness_.Log(), ElementsAre("管理员密码已更改；操作系统用户：" + User()));
  EXPECT_THAT(AccessLines(), HasSubstr(" desk doorlock password result=changed saved=yes user=" +
                                       AccessLog::Quoted(UserName()) + "\r\n"));

  // Not saved, it is in effect all the same, and the log says so.
  harness_.sysOption.FileName = harness_.dir.File("missing/Option.ini");
  EXPECT_THROW(desk_.ChangePassword("Zweites-88", "Zweites-88"), IoError);
  EXPECT_EQ(
      harness_.Log().back(),
      "管理员密码已更改，但未能保存到 Option.ini，只在本次运行中有效；操作系统用户：" + User());
  EXPECT_THAT(AccessLines(), HasSubstr("password result=changed saved=no"));

  for (const std::string& written : {DailyLog(), AccessLines()}) {
    EXPECT_THAT(written, Not(HasSubstr(secret)));
    EXPECT_THAT(written, Not(HasSubstr("Zweites")));
    EXPECT_THAT(written, Not(HasSubstr("tivrel")));
  }
}

TEST_F(DeskGuardTest, EachSavedSettingIsLoggedWithItsOldAndNewValue) {
  ProfileFile(harness_.sysOption.FileName).WriteString("Network", "AllowedHosts", "127.0.0.1");
  view_.entries = {"tivrel"};
  view_.onSettings = [](SystemSettings& settings) {
    std::vector<std::string> entries;
    for (const SettingField& field : settings.Fields()) {
      const std::string_view key = field.Key;
      // The port is written again, but as it was: no change to log.
      entries.push_back(key == "AllowedHosts"     ? "127.0.0.1, 10.0.0.5"
                        : key == "DoorlockPortNo" ? field.Value + " "
                        : key == "DelayMinutes"   ? "15"
                                                  : field.Value);
    }
    settings.Save(entries);
  };
  desk_.Run(DeskCommand::Settings, view_);

  EXPECT_THAT(harness_.Log(),
              ElementsAre("系统设置已更改：DelayMinutes 由 “0” 改为 “15”；操作系统用户：" + User(),
                          "系统设置已更改：AllowedHosts 由 “127.0.0.1” 改为 “127.0.0.1, 10.0.0.5”；"
                          "操作系统用户：" +
                              User()));
  EXPECT_THAT(AccessLines(),
              HasSubstr(" desk doorlock setting section=\"Network\" key=\"AllowedHosts\" "
                        "old=\"127.0.0.1\" new=\"127.0.0.1, 10.0.0.5\" user=" +
                        AccessLog::Quoted(UserName()) + "\r\n"));
}

TEST_F(DeskGuardTest, ChangedDoorlockOptionsAreLoggedAndTheirPasswordsOnlyAsChanged) {
  view_.entries = {"tivrel"};
  view_.onOptions = [](SharedOption& option) {
    TOption changed = option.Get();
    changed.PortName = "COM3";
    changed.HotelPassword = "918273";
    option.Set(changed);
  };
  desk_.Run(DeskCommand::Options, view_);

  EXPECT_THAT(harness_.Log(),
              ElementsAre("选项已更改：PortName 由 “COM1” 改为 “COM3”；操作系统用户：" + User(),
                          "选项已更改：HotelPassword（密码，不记其值）；操作系统用户：" + User()));
  const std::string access = AccessLines();
  EXPECT_THAT(access, HasSubstr(" desk doorlock setting section=\"DoorlockOption\" "
                                "key=\"HotelPassword\" value=hidden user="));
  for (const std::string& written : {DailyLog(), access}) {
    EXPECT_THAT(written, Not(HasSubstr("918273")));
    EXPECT_THAT(written, Not(HasSubstr("572604")));
  }

  // Nothing changed, nothing logged.
  view_.entries = {"tivrel"};
  view_.onOptions = nullptr;
  desk_.Run(DeskCommand::Options, view_);
  EXPECT_EQ(harness_.Log().size(), 2u);
}

}  // namespace
}  // namespace keydesk
