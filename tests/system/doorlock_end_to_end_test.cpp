// The real program, started headless on a free port with the simulated encoder and a
// temporary SQLite store, driven over real sockets on 127.0.0.1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <signal.h>
#include <cstdio>

#include <atomic>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "app/command_line.h"
#include "fault_support.h"
#include "loopback_client.h"
#include "notify_socket.h"
#include "platform/code_page.h"
#include "server_process.h"
#include "sim_environment.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using namespace std::string_literals;
using test::DoorResponse;
using test::kEraseCardRequest;
using test::kReadCardRequest;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;

std::string IssueRequest(const std::string& room = "08", const std::string& copy = "False",
                         const std::string& extra = "",
                         const std::string& checkOut = "2008-08-20") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DoorRequest type=\"IssueCard\">"
         "<Ignored>1</Ignored><RegisterId>R0001</RegisterId>"
         "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>02</RoomFloorCode><RoomNo>" +
         room +
         "</RoomNo><GuestName>王先生</GuestName><CheckInDate>2008-08-18</CheckInDate>"
         "<CheckInTime>14:00:00</CheckInTime><CheckOutDate>" +
         checkOut + "</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime><IsCopy>" + copy +
         "</IsCopy>" + extra + "</DoorRequest>";
}

class DoorlockEndToEndTest : public ::testing::Test {
 protected:
  DoorlockEndToEndTest() {
    const auto created = test::RunProgram({"--init-db", "--dir", dir_.Path().string()});
    EXPECT_EQ(created.status, 0) << created.err;
  }

  void Start(std::map<std::string, std::string> extraEnvironment = {}) {
    std::map<std::string, std::string> environment = {{"DREVAN_SIM_CARD", dir_.File("SimCard.txt")},
                                                      {"DREVAN_SIM_TRACE", dir_.File("trace.txt")}};
    environment.insert(extraEnvironment.begin(), extraEnvironment.end());
    server_ = std::make_unique<test::ServerProcess>(dir_.Path().string(),
                                                    std::vector<std::string>{}, environment);
  }

  std::optional<std::string> Ask(const std::string& request) {
    test::LoopbackClient client(server_->Port());
    client.SendFrame(request);
    return client.ReadResponse();
  }

  void Option(const std::string& section, const std::string& key, const std::string& value) {
    test::WriteOption(dir_.Path().string(), section, key, value);
  }

  std::vector<std::string> Log(bool withLibraryLine = false) const {
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
      if (entry.path().extension() == ".LOG") {
        return test::LogMessages(entry.path().string(), withLibraryLine);
      }
    }
    return {};
  }

  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

TEST_F(DoorlockEndToEndTest, IssuesReadsAndErasesACardAndLogsEveryStep) {
  Start();
  const std::string issue = IssueRequest();
  test::LoopbackClient client(server_->Port());
  client.SendFrame(issue);
  EXPECT_EQ(client.ReadResponse(), DoorResponse("200", "发卡成功", 1));
  EXPECT_TRUE(client.ClosedByServer());

  EXPECT_EQ(Ask(kReadCardRequest), DoorResponse("200", "读卡成功", 1));
  EXPECT_EQ(Ask(kEraseCardRequest), DoorResponse("200", "注销卡成功 ", 0));

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(server_->Stdout(), "门锁接口监听服务器已经启动...\n接口监听服务器已经停止。\n");
  // No desk may take the simulator for the real encoder.
  EXPECT_THAT(server_->Stderr(), HasSubstr("模拟发卡器，不能制作真卡：libdrevan.so\n"));
  const auto log = Log();
  ASSERT_GE(log.size(), 10u);
  EXPECT_THAT(
      std::vector<std::string>(log.begin(), log.begin() + 10),
      ElementsAre("收到消息: ", issue, "执行操作->", "发卡成功, 卡号：1", "电梯成功, 控制电梯楼层",
                  "取电成功, 取电结束时间: 0808201200", "房间(08)发卡成功",
                  "返回数据:" + DoorResponse("200", "发卡成功", 1), "完成一次操作", "收到消息: "));
  EXPECT_THAT(log, Contains("读卡成功,卡号为: CardNo = 1"));
  EXPECT_THAT(log, Contains("读卡成功，卡号为：1"));
  EXPECT_THAT(log, Contains("注销卡成功"));
  // The start said which library it took, and how it calls it.
  EXPECT_THAT(
      Log(true).front(),
      MatchesRegex("门锁发卡库 .*/libdrevan\\.so：64 位，函数名：不带修饰的名字"
                   "（SerialNo_FromNow 等），调用约定：本平台唯一的调用约定（模拟发卡器）"));
}

TEST_F(DoorlockEndToEndTest, StartsAgainAtOnceOnItsPortAfterServingButNeverBesideItself) {
  Start();
  const uint16_t port = server_->Port();
  // Connections the server closed first now wait in TIME_WAIT on its port.
  EXPECT_EQ(Ask(IssueRequest()), DoorResponse("200", "发卡成功", 1));
  for (int read = 1; read <= 3; ++read) {
    EXPECT_EQ(Ask(kReadCardRequest), DoorResponse("200", "读卡成功", 1));
  }

  test::TempDir other;
  test::WriteOption(other.Path().string(), "SysOption", "DoorlockPortNo", std::to_string(port));
  const auto beside = test::RunProgram({"--headless", "--dir", other.Path().string()});
  EXPECT_EQ(beside.status, 1);
  EXPECT_THAT(beside.err, HasSubstr("Could not bind socket. Address and port are already in use."));

  // On its own folder a second one steps back before it writes a byte there; another kind,
  // which listens on a port of its own, may share the folder.
  const auto logBefore = Log(true);
  const auto second = test::RunProgram({"--headless", "--dir", dir_.Path().string()});
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "keydesk: MarveskOxbel门锁接口已经在 " + dir_.Path().string() +
                            " 运行，同一个文件夹不能再启动一个。请使用已经打开的那个窗口。\n");
  EXPECT_EQ(Log(true), logBefore);
  test::ServerProcess hand(dir_.Path().string(), {"--kind", "4"}, {}, "HandPortNo");
  EXPECT_EQ(hand.Stop(SIGTERM), 0);

  ASSERT_EQ(server_->Stop(SIGTERM), 0);
  server_ = std::make_unique<test::ServerProcess>(
      dir_.Path().string(), std::vector<std::string>{},
      std::map<std::string, std::string>{{"DREVAN_SIM_CARD", dir_.File("SimCard.txt")}},
      "DoorlockPortNo", test::Launch{.commandPrefix = {}, .port = port});
  EXPECT_EQ(Ask(kReadCardRequest), DoorResponse("200", "读卡成功", 1));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST_F(DoorlockEndToEndTest, NeverStartsWhereItsLockFileIsASymbolicLink) {
  // A link is never followed, so no lock can be had here: run without one, two would run on
  // one folder.
  test::TempDir elsewhere;
  std::filesystem::create_symlink(elsewhere.File("keydesk-doorlock.lock"),
                                  dir_.File("keydesk-doorlock.lock"));
  const auto run = test::RunProgram({"--headless", "--dir", dir_.Path().string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "keydesk: 无法取得 " + dir_.Path().string() +
                         " 的锁文件 keydesk-doorlock.lock：它是符号链接。不能确定这个文件夹没有"
                         "另一个MarveskOxbel门锁接口在运行，keydesk 不启动\n");
  EXPECT_TRUE(test::LogFileIn(dir_.Path()).empty());
  EXPECT_FALSE(std::filesystem::exists(elsewhere.File("keydesk-doorlock.lock")));
}

TEST_F(DoorlockEndToEndTest, TellsTheServiceManagerOnceItListensFeedsItsWatchdogAndStops) {
  test::NotifySocket manager(dir_.File("notify"));
  Start({{"NOTIFY_SOCKET", manager.Path()}, {"WATCHDOG_USEC", "200000"}});
  EXPECT_EQ(manager.Next(), "READY=1");
  // Ready means served; the watchdog is fed while the listener takes connections.
  EXPECT_EQ(Ask(kReadCardRequest), DoorResponse("500", "读卡失败", 0));
  EXPECT_EQ(manager.Next(), "WATCHDOG=1");
  EXPECT_EQ(manager.Next(), "WATCHDOG=1");
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  std::string last;
  for (std::string message = manager.Next(); !message.empty(); message = manager.Next()) {
    last = message;
    if (message != "WATCHDOG=1") break;
  }
  EXPECT_EQ(last, "STOPPING=1");
}

TEST_F(DoorlockEndToEndTest, TheResponseIsUtf8FollowedByExactlyOneNul) {
  Start();
  test::LoopbackClient client(server_->Port());
  client.SendFrame(IssueRequest());
  ASSERT_TRUE(client.ReadResponse().has_value());
  EXPECT_TRUE(client.ClosedByServer());
  EXPECT_EQ(client.Unread(), "");
  const std::string expected = DoorResponse("200", "发卡成功", 2);
  test::LoopbackClient raw(server_->Port());
  raw.SendFrame(IssueRequest());
  EXPECT_TRUE(raw.ClosedByServer());
  EXPECT_EQ(raw.Unread(), expected + '\0');
  EXPECT_EQ(expected.find("<?xml"), std::string::npos);
}

TEST_F(DoorlockEndToEndTest, EncoderFailuresAnswer500WithTheNumberTried) {
  Start({{"DREVAN_SIM_FAIL", "Write_Guest_Lift:8,Read_Guest_Card:3"}});
  EXPECT_EQ(Ask(IssueRequest()), DoorResponse("500", "发卡失败", 1));
  EXPECT_EQ(Ask(kReadCardRequest), DoorResponse("500", "读卡失败", 0));
  EXPECT_THAT(Log(), Contains("电梯失败8"));
  EXPECT_THAT(Log(), Contains("读卡失败3"));
}

TEST_F(DoorlockEndToEndTest, AnUnknownTypeGetsNoBytesAndAClosedConnection) {
  Start();
  test::LoopbackClient client(server_->Port());
  client.SendFrame("<DoorRequest type=\"issuecard\"/>");
  EXPECT_TRUE(client.ClosedByServer());
  EXPECT_EQ(client.Unread(), "");
}

TEST_F(DoorlockEndToEndTest, KeepConnectionServesBackToBackRequestsInOnePacket) {
  Start();
  test::LoopbackClient client(server_->Port());
  client.SendFrame(IssueRequest("08", "False", "<KeepConnection>1</KeepConnection>"));
  EXPECT_EQ(client.ReadResponse(), DoorResponse("200", "发卡成功", 1));
  client.Send(kReadCardRequest + '\0' + kEraseCardRequest + '\0');
  EXPECT_EQ(client.ReadResponse(), DoorResponse("200", "读卡成功", 1));
  EXPECT_EQ(client.ReadResponse(), DoorResponse("200", "注销卡成功 ", 0));

  // The flag is process-wide: another client's connection stays open too, until an issue
  // request turns it off.
  test::LoopbackClient other(server_->Port());
  other.SendFrame(kReadCardRequest);
  EXPECT_EQ(other.ReadResponse(), DoorResponse("200", "读卡成功", 1));
  EXPECT_FALSE(other.ClosedByServer(std::chrono::milliseconds(300)));
  other.SendFrame(IssueRequest("08", "False", "<KeepConnection>0</KeepConnection>"));
  EXPECT_EQ(other.ReadResponse(), DoorResponse("200", "发卡成功", 2));
  EXPECT_TRUE(other.ClosedByServer());
}

TEST_F(DoorlockEndToEndTest, TheLongestRequestIsServedAndOneByteMoreIsNot) {
  Start();
  std::string padded = kReadCardRequest;
  padded.insert(padded.size() - 2, std::string(16384 - padded.size(), ' '));
  ASSERT_EQ(padded.size(), 16384u);
  EXPECT_EQ(Ask(padded), DoorResponse("500", "读卡失败", 0));  // no card on the encoder yet
  test::LoopbackClient tooLong(server_->Port());
  tooLong.SendFrame(std::string(1, ' ') + padded);
  EXPECT_TRUE(tooLong.ClosedByServer());
  EXPECT_EQ(tooLong.Unread(), "");
  EXPECT_THAT(Log(), Contains("Max line length exceeded."));
}

TEST_F(DoorlockEndToEndTest, UnreadableRequestsGetNoResponseAndTheNextClientIsServed) {
  Start();
  for (const std::string& bad :
       {"\xC3\x28"s, "<DoorRequest type=\"ReadCard\">"s, "<A>1</B>"s, "\xD6\xD0\xCE\xC4"s, ""s}) {
    test::LoopbackClient client(server_->Port());
    client.SendFrame(bad);
    EXPECT_TRUE(client.ClosedByServer());
    EXPECT_EQ(client.Unread(), "");
    EXPECT_EQ(Ask(kReadCardRequest).has_value(), true);
  }
  const auto log = Log();
  EXPECT_THAT(log, Contains("No root element found in xml"));
  EXPECT_THAT(log, Contains("Missing close tag in element DoorRequest"));
  EXPECT_THAT(log, Contains("Incorrect close tag in element A"));
}

TEST_F(DoorlockEndToEndTest, TheStoreGivesCopyCardsTheRoomsStartAndJournalsEveryCard) {
  Option("DoorlockOption", "UseNativeDoorlockDb", "1");
  Option("DoorlockOption", "SaveDoorlockRecord", "1");
  Start();
  // With the store a card starts now: its check-out lies ahead.
  const std::string out = test::kFutureCheckOut;
  EXPECT_EQ(Ask(IssueRequest("08", "False", "", out)), DoorResponse("200", "发卡成功", 1));
  EXPECT_EQ(Ask(IssueRequest("08", "1", "", out)), DoorResponse("200", "发卡成功", 2));
  EXPECT_EQ(Ask(IssueRequest("09", "True", "", out)), DoorResponse("200", "发卡成功", 3));
  server_->Stop(SIGTERM);

  test::TestDb db(dir_.File("Client.mdb"));
  const auto rooms = db.Rows("select RoomNo, LastCheckInTime from T_Room order by RoomNo");
  ASSERT_EQ(rooms.size(), 2u);
  EXPECT_EQ(rooms[0][0], "010208");
  EXPECT_EQ(rooms[1][0], "010209");
  const auto cards = db.Rows(
      "select CardNo, RoomNo, IsCopy, LastCheckInTime, CheckInTime from T_IssueCardRecord "
      "order by rowid");
  ASSERT_EQ(cards.size(), 3u);
  // The copy card starts when the room's normal card started.
  EXPECT_EQ(cards[1][3], cards[0][3]);
  EXPECT_EQ(cards[0][3], rooms[0][1]);
  EXPECT_EQ(cards[1][2], "1");
  EXPECT_EQ(cards[2][3], rooms[1][1]);
  EXPECT_EQ(cards[0][4], "2008-08-18 14:00:00.000");
  EXPECT_THAT(Log(), Contains("新建房间010208"));
  EXPECT_THAT(Log(), Contains("新建房间010209"));
}

// Without the database the journal cannot be kept: an IssueCard is answered as failed and
// no card is cut; a store the options do not use is nobody's concern.
TEST_F(DoorlockEndToEndTest, WithoutTheDatabaseRequestsAreStillAnswered) {
  std::filesystem::remove(dir_.File("Client.mdb"));
  Option("DoorlockOption", "SaveDoorlockRecord", "1");
  Start();
  EXPECT_EQ(Ask(IssueRequest()), DoorResponse("500", "发卡失败", 0));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Client.mdb")));
  EXPECT_THAT(Log(), Contains("发卡记录无法写入，没有写卡"));
  server_.reset();
  Option("DoorlockOption", "SaveDoorlockRecord", "0");
  Start();
  EXPECT_EQ(Ask(IssueRequest()), DoorResponse("200", "发卡成功", 1));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Client.mdb")));
}

TEST_F(DoorlockEndToEndTest, FiftyClientsAtOnceAllGetTheirAnswers) {
  Option("DoorlockOption", "SaveDoorlockRecord", "1");
  Start();
  constexpr int kClients = 50;
  std::vector<std::thread> clients;
  std::vector<std::string> issued(kClients);
  std::atomic<int> badReads{0};
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      const auto issue = Ask(IssueRequest(std::to_string(10 + i)));
      issued[i] = issue.value_or("none");
      const auto read = Ask(kReadCardRequest);
      if (!read || read->find("<ResultCode>200</ResultCode>") == std::string::npos) ++badReads;
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(badReads, 0);

  std::set<std::string> numbers;
  const std::regex success(
      "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode>"
      "<ResultMessage>发卡成功</ResultMessage><CardNo>(\\d+)</CardNo>"
      "</DoorResponse>");
  for (const std::string& response : issued) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(response, match, success)) << response;
    numbers.insert(match[1]);
  }
  EXPECT_EQ(numbers.size(), static_cast<size_t>(kClients));

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  const auto log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "收到消息: "), 2 * kClients);
  EXPECT_EQ(std::count(log.begin(), log.end(), "完成一次操作"), 2 * kClients);
  test::TestDb db(dir_.File("Client.mdb"));
  std::set<std::string> journaled;
  for (const auto& row : db.Rows("select CardNo from T_IssueCardRecord")) journaled.insert(row[0]);
  EXPECT_EQ(journaled, numbers);
}

TEST_F(DoorlockEndToEndTest, SigtermDuringLoadStopsWithinTheStopWait) {
  Start({{"DREVAN_SIM_DELAY_MS", "20"}});
  std::atomic<bool> stop{false};
  std::vector<std::thread> clients;
  for (int i = 0; i < 8; ++i) {
    clients.emplace_back([&] {
      while (!stop) {
        try {
          Ask(IssueRequest());
        } catch (const std::exception&) {
          // Refused once the listener has stopped.
        }
      }
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(server_->Stop(SIGTERM, std::chrono::milliseconds(8000)), 0);
  stop = true;
  for (auto& client : clients) client.join();
  // Threads that outlast the stop wait would be reported and leave out the stop line.
  EXPECT_THAT(server_->Stderr(), Not(HasSubstr("Terminate Thread Timeout")));
  EXPECT_THAT(server_->Stdout(), HasSubstr("接口监听服务器已经停止。"));
}

TEST(ProgramCommandLine, InitDbCreatesTheDatabaseOnceAndKeepsAnExistingOne) {
  test::TempDir dir;
  EXPECT_EQ(test::RunProgram({"--init-db", "--dir", dir.Path().string()}).status, 0);
  test::TestDb(dir.File("Client.mdb")).Exec("insert into T_Room values('x', null)");
  EXPECT_EQ(test::RunProgram({"--init-db", "--dir", dir.Path().string()}).status, 0);
  EXPECT_EQ(test::TestDb(dir.File("Client.mdb")).Scalar("select count(*) from T_Room"), "1");
}

TEST(ProgramCommandLine, AMissingCardLibraryStopsStartUp) {
  test::TempDir dir;
  const auto result = test::RunProgram({"--headless", "--dir", dir.Path().string()},
                                       {{"KEYDESK_CARD_LIBRARY", "/nonexistent/libdrevan.so"}});
  EXPECT_EQ(result.status, 1);
  EXPECT_THAT(result.err, HasSubstr("/nonexistent/libdrevan.so"));
}

TEST(ProgramCommandLine, APortInUseIsReportedAndEndsTheRun) {
  test::TempDir dir;
  Socket taken = Socket::Listen(0, 1);
  test::WriteOption(dir.Path().string(), "SysOption", "DoorlockPortNo",
                    std::to_string(taken.LocalPort()));
  const auto result = test::RunProgram({"--headless", "--dir", dir.Path().string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_THAT(result.err, HasSubstr("Could not bind socket. Address and port are already in use."));
  // Right after the start line, the pane says that nothing listens, where and why.
  const std::string port = std::to_string(taken.LocalPort());
  EXPECT_EQ(result.out, "门锁接口监听服务器已经启动...\n接口监听服务器没有运行（端口 " + port +
                            "）：Could not bind socket. Address and port are already in use.\n"
                            "端口 " +
                            port +
                            " 已被另一个程序占用（也许是另一个 keydesk）：请关闭那个程序，或在 "
                            "Option.ini 的 [SysOption] DoorlockPortNo 中换一个端口，然后重新启动 "
                            "keydesk。\n");
}

TEST(ProgramCommandLine, BadArgumentsAreRefused) {
  const auto bogus = test::RunProgram({"--bogus"});
  EXPECT_EQ(bogus.status, 2);
  EXPECT_EQ(bogus.err, "keydesk: unknown argument '--bogus'\n" + UsageText());
  EXPECT_EQ(test::RunProgram({"--kind", "9"}).status, 2);
  EXPECT_EQ(test::RunProgram({"--dir"}).status, 2);
  const auto help = test::RunProgram({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, UsageText());
  EXPECT_EQ(test::RunProgram({"--version"}).out, "keydesk 1.0.0.0\n");
}

}  // namespace
}  // namespace keydesk
