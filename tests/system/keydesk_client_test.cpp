// keydesk-client against the real program: started headless on a free port of 127.0.0.1 with
// the simulated encoder and devices keeping their files in the test's folder. The client's
// output and exit status are what a PMS integrator's script sees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

#include "loopback_client.h"
#include "platform/code_page.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "server_process.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using ::testing::HasSubstr;

constexpr const char* kClientPath = KEYDESK_BUILD_DIR "/keydesk-client";

test::Launch ClientLaunch() {
  test::Launch launch;
  launch.program = kClientPath;
  return launch;
}

// The client's exit statuses.
constexpr int kSucceeded = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNoResponse = 3;

class KeydeskClientTest : public ::testing::Test {
 protected:
  KeydeskClientTest() {
    std::string error;
    EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) << error;
  }

  void Start(const std::string& kind = "1", const std::string& portOption = "DoorlockPortNo",
             std::map<std::string, std::string> environment = {}) {
    environment["DREVAN_SIM_CARD"] = dir_.File("SimCard.txt");
    server_ = std::make_unique<test::ServerProcess>(
        dir_.Path().string(), std::vector<std::string>{"--kind", kind}, environment, portOption);
  }

  // Runs keydesk-client against the running program.
  test::ProgramResult Client(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--port", std::to_string(server_->Port())});
    return test::RunProgram(arguments, {}, ClientLaunch());
  }

  static std::vector<std::string> IssueArguments(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{"issue",           "--room", "010208",           "--guest",
                                       "王先生",          "--in",   "2026-12-08 14:00", "--out",
                                       "2026-12-10 12:00"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  }

  std::string Card() const { return Utf8FromAnsi(test::ReadFileBytes(dir_.File("SimCard.txt"))); }

  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

// ---- Door lock ----

TEST_F(KeydeskClientTest, IssuesReadsAndErasesACard) {
  Start();
  const test::ProgramResult issued = Client(IssueArguments({"--register-id", "R0001"}));
  EXPECT_EQ(issued.status, kSucceeded) << issued.err;
  EXPECT_EQ(issued.out, "RequestID:\nResultCode: 200\nResultMessage: 发卡成功\nCardNo: 1\n");
  EXPECT_EQ(issued.err, "");
  // The room and the stay reached the card from their positions in the request.
  EXPECT_THAT(Card(), HasSubstr("GuestCard.Room=08\n"));
  EXPECT_THAT(Card(), HasSubstr("GuestCard.ValidFrom=2612081400\n"));
  EXPECT_THAT(Card(), HasSubstr("GuestCard.ValidTo=2612101200\n"));

  const test::ProgramResult read = Client({"read", "--json"});
  EXPECT_EQ(read.status, kSucceeded) << read.err;
  EXPECT_EQ(read.out,
            "{\"RequestID\":\"\",\"ResultCode\":\"200\",\"ResultMessage\":\"读卡成功\","
            "\"CardNo\":\"1\"}\n");

  const test::ProgramResult erased = Client({"--xml", "erase"});
  EXPECT_EQ(erased.status, kSucceeded) << erased.err;
  EXPECT_EQ(erased.out,
            "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode><ResultMessage>"
            "注销卡成功 </ResultMessage><CardNo>0</CardNo></DoorResponse>\n");
}

TEST_F(KeydeskClientTest, AFailedOperationExitsWithOneAndSaysSo) {
  Start("1", "DoorlockPortNo", {{"DREVAN_SIM_FAIL", "Write_Guest_Card:-3,Read_Guest_Card:-3"}});
  const test::ProgramResult issued = Client(IssueArguments());
  EXPECT_EQ(issued.status, kFailed);
  EXPECT_THAT(issued.out, HasSubstr("ResultCode: 500\nResultMessage: 发卡失败\n"));
  EXPECT_EQ(issued.err, "keydesk-client: keydesk answered 500 发卡失败\n");

  const test::ProgramResult read = Client({"read", "--json"});
  EXPECT_EQ(read.status, kFailed);
  EXPECT_EQ(read.out,
            "{\"RequestID\":\"\",\"ResultCode\":\"500\",\"ResultMessage\":\"读卡失败\","
            "\"CardNo\":\"0\"}\n");
}

TEST_F(KeydeskClientTest, KeepReturnsAtTheResponseAndNoKeepRestoresClosing) {
  Start();
  // keydesk leaves the connection open after this one; the client still ends.
  EXPECT_EQ(Client(IssueArguments({"--keep"})).status, kSucceeded);
  test::LoopbackClient kept(server_->Port());
  kept.SendFrame("<DoorRequest type=\"ReadCard\"/>");
  ASSERT_TRUE(kept.ReadResponse().has_value());
  kept.SendFrame("<DoorRequest type=\"ReadCard\"/>");  // the same connection serves again
  EXPECT_TRUE(kept.ReadResponse().has_value());

  EXPECT_EQ(Client(IssueArguments({"--no-keep"})).status, kSucceeded);
  test::LoopbackClient closed(server_->Port());
  closed.SendFrame("<DoorRequest type=\"ReadCard\"/>");
  ASSERT_TRUE(closed.ReadResponse().has_value());
  EXPECT_TRUE(closed.ClosedByServer());
}

TEST_F(KeydeskClientTest, RawSendsTheFileAsItIs) {
  Start();
  test::WriteFileBytes(dir_.File("issue.xml"),
                       "<DoorRequest type=\"IssueCard\"><Ignored/><RegisterId>R1</RegisterId>"
                       "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>03</RoomFloorCode>"
                       "<RoomNo>12</RoomNo><GuestName>李</GuestName><CheckInDate>2026-12-08"
                       "</CheckInDate><CheckInTime>14:00:00</CheckInTime><CheckOutDate>2026-12-09"
                       "</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime><IsCopy>0</IsCopy>"
                       "</DoorRequest>\n");
  const test::ProgramResult issued = Client({"raw", dir_.File("issue.xml")});
  EXPECT_EQ(issued.status, kSucceeded) << issued.err;
  EXPECT_THAT(Card(), HasSubstr("GuestCard.Room=12\n"));

  const test::ProgramResult missing = Client({"raw", dir_.File("absent.xml")});
  EXPECT_EQ(missing.status, kUsage);
  EXPECT_EQ(missing.err,
            "keydesk-client: cannot read the request file '" + dir_.File("absent.xml") + "'\n");
}

// ---- No response, and usage errors ----

TEST_F(KeydeskClientTest, NoResponseExitsWithThree) {
  Start();
  // A request keydesk cannot read: it closes the connection without a byte.
  test::WriteFileBytes(dir_.File("broken.xml"), "<DoorRequest type=\"ReadCard\"");
  const test::ProgramResult closed = Client({"raw", dir_.File("broken.xml")});
  EXPECT_EQ(closed.status, kNoResponse);
  EXPECT_EQ(closed.out, "");
  EXPECT_EQ(closed.err,
            "keydesk-client: keydesk closed the connection without a response: it could not read "
            "the request\n");

  // Nothing listens on a port that was free a moment ago.
  const std::string freePort = std::to_string(test::FreePort());
  const test::ProgramResult refused =
      test::RunProgram({"--port", freePort, "read"}, {}, ClientLaunch());
  EXPECT_EQ(refused.status, kNoResponse);
  EXPECT_EQ(refused.err,
            "keydesk-client: nothing listens on 127.0.0.1:" + freePort + " (connection refused)\n");

  // A listener that takes the connection and never answers.
  Socket silent = Socket::Listen(0, 4);
  const std::string silentPort = std::to_string(silent.LocalPort());
  const test::ProgramResult timedOut =
      test::RunProgram({"--port", silentPort, "--timeout", "0.2", "read"}, {}, ClientLaunch());
  EXPECT_EQ(timedOut.status, kNoResponse);
  EXPECT_EQ(timedOut.err,
            "keydesk-client: no response from 127.0.0.1:" + silentPort + " within 0.2 s\n");
}

// A listener on 127.0.0.1 that answers one request with the bytes given, NUL-ended, as
// something that is not keydesk might.
class CannedServer {
 public:
  explicit CannedServer(std::string answer)
      : listener_(Socket::Listen(kLoopbackAddress, 0, 4)),
        thread_([this, answer = std::move(answer)] {
          Socket connection = listener_.Accept();
          connection.SetReceiveTimeout(std::chrono::seconds(10));
          char byte = 1;
          while (byte != '\0' && connection.Receive(&byte, 1) == 1) {
          }
          connection.SendAll(answer + std::string(1, '\0'));
        }) {}
  ~CannedServer() { thread_.join(); }
  std::string Port() const { return std::to_string(listener_.LocalPort()); }

 private:
  Socket listener_;
  std::thread thread_;
};

TEST_F(KeydeskClientTest, AnAnswerWithoutKeydesksResultCodeExitsWithOne) {
  struct Case {
    const char* answer;
    const char* said;
  };
  const Case cases[] = {
      {"<DoorResponse><ResultCode>302</ResultCode><ResultMessage>moved</ResultMessage>"
       "</DoorResponse>",
       "the response has no result code keydesk gives (200 or 500)"},
      {"<DoorResponse><CardNo>5</CardNo></DoorResponse>",
       "the response has no result code keydesk gives (200 or 500)"},
      {"HTTP/1.1 400 Bad Request", "the response is not an XML document"},
  };
  for (const Case& bad : cases) {
    SCOPED_TRACE(bad.answer);
    CannedServer server(bad.answer);
    const test::ProgramResult result =
        test::RunProgram({"--port", server.Port(), "read"}, {}, ClientLaunch());
    EXPECT_EQ(result.status, kFailed);
    EXPECT_THAT(result.err, HasSubstr(bad.said));
  }
}

TEST_F(KeydeskClientTest, UsageErrorsSendNothing) {
  Start();
  const std::vector<std::vector<std::string>> usages = {
      {"issue", "--room", "010208"},
      IssueArguments({"--copy", "--copy"}),
      {"issue", "--room", "0102", "--guest", "A", "--in", "2026-12-08 14:00", "--out",
       "2026-12-10 12:00"},
      {"read", "--room", "010208"},
      {"unlock"},
  };
  for (const auto& usage : usages) {
    const test::ProgramResult result = Client(usage);
    EXPECT_EQ(result.status, kUsage) << usage[0];
    EXPECT_EQ(result.out, "");
    // One line, naming the program.
    EXPECT_THAT(result.err, ::testing::MatchesRegex("keydesk-client: [^\n]+\n"));
  }
  // Nothing reached keydesk: its day's log has no request.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    if (entry.path().extension() == ".LOG") {
      EXPECT_THAT(test::LogMessages(entry.path().string()), ::testing::IsEmpty());
    }
  }
  const test::ProgramResult help = test::RunProgram({"--help"}, {}, ClientLaunch());
  EXPECT_EQ(help.status, kSucceeded);
  EXPECT_THAT(help.out, HasSubstr("Usage: keydesk-client"));
}

// ---- The other kinds ----

TEST_F(KeydeskClientTest, HandTags) {
  Start("4", "HandPortNo");
  const test::ProgramResult issued = Client({"hand", "issue"});
  EXPECT_EQ(issued.status, kSucceeded) << issued.err;
  EXPECT_EQ(issued.out, "RequestID:\nResultCode: 200\nResultMessage: 写手牌卡成功\nHandNo: 1\n");
  EXPECT_THAT(Client({"hand", "read"}).out, HasSubstr("HandNo: 1\n"));
  EXPECT_EQ(Client({"hand", "erase"}).status, kSucceeded);
  const test::ProgramResult empty = Client({"hand", "read"});
  EXPECT_EQ(empty.status, kFailed);
  EXPECT_THAT(empty.out, HasSubstr("ResultMessage: 读手牌卡失败\n"));
}

TEST_F(KeydeskClientTest, MemberCards) {
  Start("3", "MemberPortNo");
  const test::ProgramResult written =
      Client({"member", "write", "--card", "1001", "--name", "张三", "--password", "654321",
              "--expire", "2027-12-31", "--channel", "11"});
  EXPECT_EQ(written.status, kSucceeded) << written.err;
  EXPECT_THAT(written.out, HasSubstr("ResultMessage: 写卡成功\nCardNo: 1001\n"));

  // The card reads through the channel it was written with only.
  EXPECT_EQ(Client({"member", "read"}).status, kFailed);
  const test::ProgramResult read = Client({"member", "read", "--channel", "11", "--json"});
  EXPECT_EQ(read.status, kSucceeded) << read.err;
  EXPECT_EQ(read.out,
            "{\"RequestID\":\"\",\"ResultCode\":\"200\",\"ResultMessage\":\"读卡成功\","
            "\"CardNo\":\"1001\",\"ExpireDate\":\"2027-12-31\",\"GuestName\":\"张三\","
            "\"Score\":\"0\",\"Password\":\"654321\"}\n");

  EXPECT_EQ(Client({"member", "print", "--card", "1001", "--text", "欢迎"}).status, kSucceeded);
  EXPECT_THAT(Utf8FromAnsi(test::ReadFileBytes(dir_.File("SimMemberPrint.txt"))),
              HasSubstr("CardNo 1001\r\n欢迎\r\n"));
}

TEST_F(KeydeskClientTest, PoliceRegistration) {
  Start("2", "PolicePortNo");
  const test::ProgramResult none = Client({"police", "--json"});
  EXPECT_EQ(none.status, kSucceeded) << none.err;
  EXPECT_EQ(none.out, "{}\n");

  ProfileFile offered(dir_.File("SimGuest.ini"));
  offered.WriteString("Guest", "RoomNo", "0108");
  offered.WriteString("Guest", "Name", AnsiFromUtf8("王小明"));
  offered.WriteString("Guest", "GenderID", "1");
  const test::ProgramResult guest = Client({"police"});
  EXPECT_EQ(guest.status, kSucceeded) << guest.err;
  EXPECT_THAT(guest.out, HasSubstr("Guest:\n  RoomNo: 0108\n  EnterTime:\n  IdCardTypeID: 11\n"));
  EXPECT_THAT(guest.out, HasSubstr("  Name: 王小明\n"));
  EXPECT_THAT(guest.out, HasSubstr("  SalutationID: 2\n"));
}

}  // namespace
}  // namespace keydesk
