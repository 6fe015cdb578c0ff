// keydesk-console.exe (keydesk.exe as a console program) under Wine beside the Linux program
// built from the same sources. Both start headless, each in a folder of its own (with a
// Chinese name) holding the same Option.ini and simulated devices, get the same requests over
// 127.0.0.1, and must answer, log (code page 936), journal into Client.mdb and write their
// devices' files byte for byte alike, time stamps aside. Then the console's ways to end it:
// Ctrl+C, Ctrl+Break, closing the console; and keydesk.exe's window, closed from outside with
// the administrator password (this needs the display that scripts/test-windows gives).
//
// The Windows build's CTest runs this Linux program (scripts/test-windows), naming its folder
// in KEYDESK_WINDOWS_BUILD and Wine's loader for it in KEYDESK_WINE, through scripts/wine-run,
// which sets LC_ALL=zh_CN.UTF-8: Windows programs get the ANSI code page 936 of a Chinese
// Windows PC.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "fault_support.h"
#include "loopback_client.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "program_platform.h"
#include "server_process.h"
#include "sim_environment.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using test::DoorResponse;
using test::IssueCardRequest;
using test::IssueFields;
using test::kEraseCardRequest;
using test::kReadCardRequest;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

// The console's events, as wincon.h numbers them.
constexpr int kCtrlBreakEvent = 1;
constexpr int kCloseEvent = 2;
constexpr int kShutdownEvent = 6;

using test::WindowsBuild;
using test::WindowsPath;
using test::WindowsProgram;
using test::Wine;
using Platform = test::ProgramPlatform;
const Platform kLinux = test::LinuxPlatform();
Platform Windows() { return test::WindowsPlatform(); }

// One program, in its own folder.
class Side {
 public:
  explicit Side(Platform platform) : platform_(std::move(platform)) {
    std::filesystem::create_directory(folder_);
  }

  const std::string& Name() const { return platform_.name; }
  const std::string& Folder() const { return folder_; }
  // The folder as the program's --dir names it.
  std::string DirArgument() const { return platform_.launch.folderPrefix + folder_; }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  test::ServerProcess& Server() { return *server_; }

  void Option(const std::string& section, const std::string& key, const std::string& value) {
    test::WriteOption(folder_, section, key, value);
  }

  test::ProgramResult Run(const std::vector<std::string>& arguments) const {
    return test::RunProgram(arguments, {}, platform_.launch);
  }

  void Start(const std::vector<std::string>& arguments, const std::string& portOption,
             std::map<std::string, std::string> environment = {}) {
    environment.emplace("DREVAN_SIM_CARD", platform_.path(File("SimCard.txt")));
    environment.emplace("DREVAN_SIM_TRACE", platform_.path(File("trace.txt")));
    server_ = std::make_unique<test::ServerProcess>(folder_, arguments, environment, portOption,
                                                    platform_.launch);
  }

  // What one request on a connection of its own got: the response, if any, and whether the
  // server then closed the connection with nothing after the NUL.
  struct Answer {
    std::optional<std::string> response;
    bool closed = false;
    std::string after;
    bool operator==(const Answer&) const = default;
  };
  Answer Ask(const std::string& bytes) {
    test::LoopbackClient client(server_->Port());
    client.Send(bytes);
    Answer answer;
    answer.response = client.ReadResponse();
    answer.closed = client.ClosedByServer();
    answer.after = client.Unread();
    return answer;
  }

  // The day's log, without the time stamps that begin its lines, and without the start's line
  // about the card library, whose path, width and convention differ between the platforms.
  std::string LogWithoutStamps() const {
    static const std::regex stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ",
                                  std::regex::multiline);
    std::string lines = std::regex_replace(LogBytes(), stamp, "");
    const std::string library = AnsiFromUtf8(std::string(test::kCardLibraryLine));
    if (lines.starts_with(library)) lines.erase(0, lines.find('\n') + 1);
    return lines;
  }
  std::string LogBytes() const {
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      if (entry.path().extension() == ".LOG") return test::ReadFileBytes(entry.path().string());
    }
    return {};
  }

 private:
  Platform platform_;
  test::TempDir dir_;
  // A Chinese name, so that the Windows program's paths go through code page 936.
  std::string folder_ = dir_.File("前台");
  std::unique_ptr<test::ServerProcess> server_;
};

std::ostream& operator<<(std::ostream& out, const Side::Answer& answer) {
  return out << (answer.response ? "\"" + *answer.response + "\"" : "no response")
             << (answer.closed ? ", closed" : ", left open") << ", then \"" << answer.after << "\"";
}

// Windows writes a line's end to a program's standard output and error as CR LF.
std::string WithCrLf(const std::string& text) {
  return std::regex_replace(text, std::regex("\n"), "\r\n");
}

class WindowsProgramTest : public ::testing::Test {
 protected:
  // Client.mdb from each program's --init-db, so that both store journals and neither logs
  // the database's absence.
  WindowsProgramTest() {
    for (Side* side : {&linux_, &windows_}) {
      const test::ProgramResult created = side->Run({"--init-db", "--dir", side->DirArgument()});
      EXPECT_EQ(created.status, 0) << side->Name() << ": " << created.out << created.err;
    }
  }

  // Runs on both the request's bytes, expecting the same answer; returns it.
  Side::Answer AskBoth(const std::string& bytes) {
    const Side::Answer expected = linux_.Ask(bytes);
    EXPECT_EQ(windows_.Ask(bytes), expected) << bytes;
    return expected;
  }
  Side::Answer AskBothFrame(const std::string& request) { return AskBoth(request + '\0'); }

  void OptionBoth(const std::string& section, const std::string& key, const std::string& value) {
    linux_.Option(section, key, value);
    windows_.Option(section, key, value);
  }

  void StartBoth(const std::vector<std::string>& arguments, const std::string& portOption) {
    linux_.Start(arguments, portOption);
    windows_.Start(arguments, portOption);
  }

  // Ctrl+C on both: Wine hands SIGINT to the program as the console's Ctrl+C.
  void StopBoth() {
    EXPECT_EQ(linux_.Server().Stop(SIGINT), 0);
    EXPECT_EQ(windows_.Server().Stop(SIGINT), 0);
    EXPECT_EQ(windows_.Server().Stdout(), WithCrLf(linux_.Server().Stdout()));
  }

  void ExpectSameFile(const std::string& name) {
    const std::string expected = test::ReadFileBytes(linux_.File(name));
    EXPECT_NE(expected, "") << name;
    EXPECT_EQ(test::ReadFileBytes(windows_.File(name)), expected) << name;
  }

  void ExpectSameLog() {
    EXPECT_NE(linux_.LogWithoutStamps(), "");
    EXPECT_EQ(windows_.LogWithoutStamps(), linux_.LogWithoutStamps());
  }

  Side linux_{kLinux};
  Side windows_{Windows()};
};

// ---- The door lock ----

// What a door lock exchange leaves in Client.mdb, but for the time of the operation.
constexpr const char* kJournal =
    "select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, CheckInTime, CheckOutTime,"
    " IsCopy, GuestName from T_IssueCardRecord order by rowid";
constexpr const char* kRooms = "select RoomNo, LastCheckInTime from T_Room order by rowid";
constexpr const char* kSchema = "select type, name, sql from sqlite_master order by name";

TEST_F(WindowsProgramTest, DoorlockAnswersLogsAndJournalsAsOnLinux) {
  EXPECT_EQ(test::TestDb(windows_.File("Client.mdb")).Rows(kSchema),
            test::TestDb(linux_.File("Client.mdb")).Rows(kSchema));

  OptionBoth("DoorlockOption", "SaveDoorlockRecord", "1");
  OptionBoth("DoorlockOption", "DelayMinutes", "10");
  OptionBoth("DoorlockOption", "DelayMinutes2", "0x1E");
  StartBoth({}, "DoorlockPortNo");

  EXPECT_EQ(AskBothFrame(IssueCardRequest()).response, DoorResponse("200", "发卡成功", 1));
  AskBothFrame(kReadCardRequest);
  IssueFields copy;
  copy.registerId = "R0002";
  copy.copy = "True";
  // A guest name with a character that code page 936 cannot hold, and a quote in the room.
  copy.guest = "王한";
  copy.room = "0'8";
  AskBothFrame(IssueCardRequest(copy));
  AskBothFrame(kReadCardRequest);
  EXPECT_EQ(AskBothFrame(kEraseCardRequest).response, DoorResponse("200", "注销卡成功 ", 0));
  AskBothFrame(kReadCardRequest);
  AskBothFrame("<DoorRequest type=\"Unknown\"/>");
  AskBothFrame("<DoorRequest type=\"IssueCard\">");  // no response: the parse error is logged
  AskBothFrame("\xC3\x28");                          // not UTF-8: read as the empty text
  AskBothFrame(IssueCardRequest({.guest = "😀"}));    // beyond 16 bits: the same
  AskBoth(std::string("\0", 1));
  const std::string longest = kReadCardRequest + std::string(16384 - kReadCardRequest.size(), ' ');
  AskBothFrame(longest);
  AskBothFrame(std::string(16385, ' '));  // too long: the connection is closed unanswered
  StopBoth();

  // --init-db gave the folder an Option.ini that allows this machine only: no warning.
  EXPECT_EQ(windows_.Server().Stderr(),
            "keydesk: 模拟发卡器，不能制作真卡：drevan.dll\r\nkeydesk: 正在监听端口 " +
                std::to_string(windows_.Server().Port()) + "（本机所有地址）\r\n");

  ExpectSameLog();
  // Code page 936 in the file, not UTF-8.
  const std::string log = windows_.LogBytes();
  EXPECT_NE(log.find(AnsiFromUtf8("发卡成功, 卡号：1")), std::string::npos);
  EXPECT_EQ(log.find("发卡成功"), std::string::npos);

  ExpectSameFile("SimCard.txt");
  ExpectSameFile("trace.txt");
  test::TestDb linuxDb(linux_.File("Client.mdb"));
  test::TestDb windowsDb(windows_.File("Client.mdb"));
  EXPECT_EQ(linuxDb.Rows(kJournal).size(), 2u);
  EXPECT_EQ(windowsDb.Rows(kJournal), linuxDb.Rows(kJournal));
  EXPECT_EQ(windowsDb.Rows(kRooms), linuxDb.Rows(kRooms));
}

// keydesk-client.exe against the Windows program, keydesk-client against the Linux one: the
// same card, the same printout and exit status; a guest's name typed in Chinese reaches the
// card whole; a port where nothing listens is said so.
TEST_F(WindowsProgramTest, KeydeskClientExeIssuesAndReadsAsOnLinux) {
  // The power switch's block carries the guest's name.
  OptionBoth("DoorlockOption", "PowerSwitchTypeName", "8602-1M-57BA");
  StartBoth({}, "DoorlockPortNo");
  test::Launch linuxClient;
  linuxClient.program = KEYDESK_BUILD_DIR "/keydesk-client";
  test::Launch windowsClient;
  windowsClient.program = WindowsBuild() + "/keydesk-client.exe";
  windowsClient.commandPrefix = {Wine()};
  const auto both = [&](std::vector<std::string> arguments) {
    std::vector<std::string> linuxArguments{"--port", std::to_string(linux_.Server().Port())};
    std::vector<std::string> windowsArguments{"--port", std::to_string(windows_.Server().Port())};
    linuxArguments.insert(linuxArguments.end(), arguments.begin(), arguments.end());
    windowsArguments.insert(windowsArguments.end(), arguments.begin(), arguments.end());
    const test::ProgramResult expected = test::RunProgram(linuxArguments, {}, linuxClient);
    const test::ProgramResult windows = test::RunProgram(windowsArguments, {}, windowsClient);
    EXPECT_EQ(windows.status, expected.status) << arguments[0] << ": " << windows.err;
    EXPECT_EQ(windows.out, WithCrLf(expected.out)) << arguments[0];
    return windows;
  };
  const test::ProgramResult issued = both({"issue", "--room", "010208", "--guest", "王先生", "--in",
                                           "2026-12-08 14:00", "--out", "2026-12-10 12:00"});
  EXPECT_EQ(issued.status, 0);
  EXPECT_THAT(issued.out, HasSubstr("ResultMessage: 发卡成功"));
  EXPECT_EQ(both({"read"}).status, 0);
  StopBoth();
  ExpectSameFile("SimCard.txt");
  EXPECT_THAT(Utf8FromAnsi(test::ReadFileBytes(windows_.File("SimCard.txt"))), HasSubstr("王先生"));

  Socket unused = Socket::Listen(0, 1);
  const uint16_t closedPort = unused.LocalPort();
  unused.Close();
  const test::ProgramResult refused =
      test::RunProgram({"--port", std::to_string(closedPort), "read"}, {}, windowsClient);
  EXPECT_EQ(refused.status, 3);
  EXPECT_THAT(refused.err, HasSubstr("nothing listens on 127.0.0.1:" + std::to_string(closedPort) +
                                     " (connection refused)"));
}

TEST_F(WindowsProgramTest, RefusesABusyPortAndAMissingCardLibraryAsOnLinux) {
  const Socket busy = Socket::Listen(0, 1);
  OptionBoth("SysOption", "DoorlockPortNo", std::to_string(busy.LocalPort()));
  const test::ProgramResult linuxRun = linux_.Run({"--headless", "--dir", linux_.DirArgument()});
  const test::ProgramResult windowsRun =
      windows_.Run({"--headless", "--dir", windows_.DirArgument()});
  EXPECT_EQ(linuxRun.status, 1);
  EXPECT_EQ(windowsRun.status, 1);
  EXPECT_THAT(linuxRun.err, HasSubstr(std::string(kAddressInUse)));
  EXPECT_EQ(windowsRun.out, WithCrLf(linuxRun.out));
  EXPECT_EQ(windowsRun.err,
            WithCrLf(std::regex_replace(linuxRun.err, std::regex("libdrevan\\.so"), "drevan.dll")));

  const test::ProgramResult missing =
      test::RunProgram({"--headless", "--dir", windows_.DirArgument()},
                       {{"KEYDESK_CARD_LIBRARY", "Z:\\nonexistent\\drevan.dll"}}, Windows().launch);
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("keydesk: 找不到门锁发卡库 Z:\\nonexistent\\drevan.dll。"));

  // A library of the other width: the system's own text would say only "%1 is not a valid
  // Win32 application".
  const std::string other = WindowsBuild().ends_with("win64") ? "win32" : "win64";
  const std::string otherLibrary = WindowsPath(
      std::filesystem::path(WindowsBuild()).parent_path().string() + "/" + other + "/drevan.dll");
  const test::ProgramResult wrongWidth =
      test::RunProgram({"--headless", "--dir", windows_.DirArgument()},
                       {{"KEYDESK_CARD_LIBRARY", otherLibrary}}, Windows().launch);
  EXPECT_EQ(wrongWidth.status, 1);
  const std::string own = other == "win64" ? "32" : "64";
  EXPECT_THAT(wrongWidth.err, HasSubstr("而这个 keydesk 是 " + own + " 位程序"));
  EXPECT_THAT(wrongWidth.err, Not(HasSubstr("%1")));
}

// A vendor's library as a C compiler builds it: stdcall under decorated names (_Name@N), or
// the C calling convention under the plain names. Cards are issued and read with each, and the
// start's log line says what was found.
TEST_F(WindowsProgramTest, IssuesAndReadsCardsWithEachWayTheCardLibraryMayBeBuilt) {
  const std::pair<const char*, const char*> builds[] = {
      {"decorated", "_SerialNo_FromNow@0, _Reader_Alarm@12, _Write_Guest_Card@48"},
      {"c-convention", "不带修饰的名字（SerialNo_FromNow 等）"}};
  for (const auto& [folder, names] : builds) {
    Side side(Windows());
    const std::string library = WindowsPath(WindowsBuild() + "/" + folder + "/drevan.dll");
    side.Start({}, "DoorlockPortNo", {{"KEYDESK_CARD_LIBRARY", library}});
    const auto issued = side.Ask(IssueCardRequest(IssueFields{}) + '\0').response;
    ASSERT_TRUE(issued) << folder;
    EXPECT_EQ(*issued, DoorResponse("200", "发卡成功", 1)) << folder;
    EXPECT_EQ(side.Ask(std::string(kReadCardRequest) + '\0').response,
              DoorResponse("200", "读卡成功", 1))
        << folder;
    if (std::string(folder) == "decorated") {
      // A second keydesk on the same folder steps back with a word for the clerk.
      const test::ProgramResult second = side.Run({"--headless", "--dir", side.DirArgument()});
      EXPECT_EQ(second.status, 1);
      EXPECT_THAT(second.err, HasSubstr("已经在 " + side.DirArgument() +
                                        " 运行，同一个文件夹不能再启动一个。"));
    }
    EXPECT_EQ(side.Server().Stop(SIGINT), 0) << folder;
    EXPECT_THAT(Utf8FromAnsi(side.LogBytes()),
                AllOf(HasSubstr("门锁发卡库 " + Utf8FromAnsi(library) + "："), HasSubstr(names)))
        << folder;
  }
}

// ---- Who may connect ----

// The access log's lines without what differs between two runs: the time, the peer's port and
// the time taken.
std::string AccessWithoutStamps(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("Access")) {
      std::string lines = test::ReadFileBytes(entry.path().string());
      lines =
          std::regex_replace(lines, std::regex("^[-0-9]+ [:.0-9]+ ", std::regex::multiline), "");
      lines = std::regex_replace(lines, std::regex("(127\\.0\\.0\\.[0-9]+):[0-9]+"), "$1");
      return std::regex_replace(lines, std::regex("ms=[0-9]+"), "ms");
    }
  }
  return {};
}

TEST_F(WindowsProgramTest, OnlyTheAllowedHostIsServedWithinItsTimeAndTracedAsOnLinux) {
  OptionBoth("Network", "AllowedHosts", "127.0.0.1");
  OptionBoth("Network", "RequestTimeout", "1");
  StartBoth({}, "DoorlockPortNo");
  for (Side* side : {&linux_, &windows_}) {
    // A second host is closed on before anything is read.
    test::LoopbackClient stranger(side->Server().Port(), kLoopbackAddress + 1);
    stranger.SendFrame(IssueCardRequest());
    EXPECT_TRUE(stranger.ClosedByServer()) << side->Name();
    EXPECT_EQ(stranger.Unread(), "") << side->Name();
    // A request that never ends is closed once its time is up.
    test::LoopbackClient endless(side->Server().Port());
    endless.Send("<DoorRequest");
    EXPECT_TRUE(endless.ClosedByServer()) << side->Name();
    EXPECT_EQ(endless.Unread(), "") << side->Name();
  }
  AskBothFrame(kReadCardRequest);
  StopBoth();
  // Of the stranger's request nothing was read, so nothing of it reached the log.
  EXPECT_THAT(linux_.LogWithoutStamps(), Not(HasSubstr("IssueCard")));
  ExpectSameLog();
  const std::string access = AccessWithoutStamps(linux_.Folder());
  EXPECT_THAT(access, ::testing::StartsWith("127.0.0.2 doorlock refused reason=not-allowed\r\n"
                                            "127.0.0.1 doorlock timeout wait=request ms\r\n"
                                            "127.0.0.1 doorlock request type=\"ReadCard\" "));
  EXPECT_EQ(AccessWithoutStamps(windows_.Folder()), access);
}

// ---- The other kinds ----

TEST_F(WindowsProgramTest, HandTagsAsOnLinux) {
  StartBoth({"--kind", "4"}, "HandPortNo");
  for (const std::string request :
       {"<HandRequest type=\"ReadHand\"/>", "<HandRequest type=\"IssueHand\"/>",
        "<HandRequest type=\"IssueHand\"/>", "<HandRequest type=\"ReadHand\"/>",
        "<R TYPE=\" EraseHand \"/>", "<HandRequest type=\"EraseHand\"/>",
        "<HandRequest type=\"IssueHand\">"}) {
    AskBothFrame(request);
  }
  StopBoth();
  ExpectSameLog();
  ExpectSameFile("SimHandSerial.txt");
  ExpectSameFile("SimHandTrace.txt");
}

TEST_F(WindowsProgramTest, MemberCardsAsOnLinux) {
  StartBoth({"--kind", "3"}, "MemberPortNo");
  for (const std::string request :
       {"<MemberRequest type=\"WriteMemberCard\"><Hotel>H1</Hotel><CardNo>1001</CardNo>"
        "<Name>张三</Name><Password>654321</Password><Expire>2027-12-31</Expire></MemberRequest>",
        "<MemberRequest type=\"ReadMemberCard\"><Hotel>H1</Hotel><Flag>1</Flag></MemberRequest>",
        "<MemberRequest type=\"ReadMemberCard\"><Hotel>H1</Hotel><Flag>1</Flag>"
        "<Channel>11</Channel></MemberRequest>",
        "<MemberRequest type=\"PrintMemberCard\"><Hotel>H1</Hotel><CardNo>1001</CardNo>"
        "<Text>当前消费:100</Text></MemberRequest>",
        "<MemberRequest type=\"ReadMemberCard\"><a/></MemberRequest>"}) {
    AskBothFrame(request);
  }
  StopBoth();
  ExpectSameLog();
  ExpectSameFile("SimMember.txt");
  ExpectSameFile("SimMemberPrint.txt");
  ExpectSameFile("SimMemberTrace.txt");
}

TEST_F(WindowsProgramTest, PoliceRegistrationsAsOnLinux) {
  StartBoth({"--kind", "2"}, "PolicePortNo");
  AskBothFrame("<PoliceRequest/>");
  for (Side* side : {&linux_, &windows_}) {
    ProfileFile guest(side->File("SimGuest.ini"));
    guest.WriteString("Guest", "RoomNo", "0808");
    guest.WriteString("Guest", "Name", AnsiFromUtf8("王小明&<>"));
    guest.WriteString("Guest", "Address", AnsiFromUtf8("北京市东城区1号"));
    guest.WriteString("Guest", "GenderID", "2");
  }
  const Side::Answer answer = AskBothFrame("<PoliceRequest/>");
  EXPECT_THAT(answer.response.value_or(""), HasSubstr("<Name>王小明&amp;&lt;&gt;</Name>"));
  for (Side* side : {&linux_, &windows_}) {
    ProfileFile(side->File("SimGuest.ini")).WriteString("Guest", "GenderID", AnsiFromUtf8("男"));
  }
  AskBothFrame("<PoliceRequest/>");
  StopBoth();
  ExpectSameLog();
}

// ---- Ending keydesk-console.exe ----

// Starts keydesk-console.exe through console_event.exe, which delivers the console event once
// the port accepts connections and ends with the program's exit status.
test::ProgramResult EndByConsoleEvent(Side& side, int event, bool headless) {
  const uint16_t port = test::FreePort();
  side.Option("SysOption", "DoorlockPortNo", std::to_string(port));
  test::Launch launch;
  launch.commandPrefix = {Wine(), WindowsBuild() + "/console_event.exe", std::to_string(event),
                          std::to_string(port)};
  launch.program = WindowsPath(WindowsProgram());
  std::vector<std::string> arguments{"--dir", WindowsPath(side.Folder())};
  if (headless) arguments.push_back("--headless");
  return test::RunProgram(arguments, {}, launch);
}

constexpr const char* kStartedAndStopped =
    "门锁接口监听服务器已经启动...\r\n接口监听服务器已经停止。\r\n";

// keydesk.exe, the window program, opens its window; window_driver.exe closes it with the
// administrator password, and the run ends in order with exit status 0.
TEST_F(WindowsProgramTest, TheWindowProgramOpensItsWindowAndClosesWithThePassword) {
  const uint16_t port = test::FreePort();
  windows_.Option("SysOption", "DoorlockPortNo", std::to_string(port));
  test::Launch launch;
  launch.commandPrefix = {Wine(), WindowsBuild() + "/window_driver.exe", std::to_string(port),
                          "tivrel"};
  launch.program = WindowsPath(WindowsBuild() + "/keydesk.exe");
  const test::ProgramResult result =
      test::RunProgram({"--dir", WindowsPath(windows_.Folder())}, {}, launch);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "MarveskOxbel门锁接口\r\n");
}

TEST_F(WindowsProgramTest, CtrlBreakShutsDownInOrderWithExitStatusZero) {
  const test::ProgramResult result = EndByConsoleEvent(windows_, kCtrlBreakEvent, true);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, kStartedAndStopped);
}

TEST_F(WindowsProgramTest, ClosingTheConsoleShutsDownInOrderWithExitStatusZero) {
  const test::ProgramResult result = EndByConsoleEvent(windows_, kCloseEvent, true);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, kStartedAndStopped);
}

TEST_F(WindowsProgramTest, ShutdownOfWindowsShutsDownInOrderWithExitStatusZero) {
  const test::ProgramResult result = EndByConsoleEvent(windows_, kShutdownEvent, true);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, kStartedAndStopped);
}

}  // namespace
}  // namespace keydesk
