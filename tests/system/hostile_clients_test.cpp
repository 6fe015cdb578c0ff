// Clients that misbehave at the socket level, against the real program: they reset, stop
// half way through a request, flood it, never send or never read. Other clients must be
// served all the while, and SIGTERM must still stop the server within its stop wait.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <atomic>
#include <memory>
#include <thread>

#include "core/access_log.h"
#include "fault_support.h"
#include "intake/connection.h"
#include "loopback_client.h"
#include "platform/clock.h"
#include "server_process.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The server's own stop wait is 5 s; the rest is room for the process to end.

// True when the server has neither sent anything on the connection nor closed it.
bool Untouched(test::LoopbackClient& client) {
  pollfd poller{client.Raw().NativeHandle(), POLLIN, 0};
  return ::poll(&poller, 1, 0) == 0;
}

struct KindCase {
  const char* name;
  const char* kind;
  const char* portOption;
  // A request whose answer does not depend on what came before.
  std::string request;
  std::string response;
};

std::string MemberPrintResponse() {
  return "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode><ResultMessage>"
         "打印卡成功</ResultMessage><CardNo></CardNo><ExpireDate></ExpireDate><GuestName>"
         "</GuestName><Score></Score><Password></Password></DoorResponse>";
}

const KindCase kKinds[] = {
    {"DoorLock", "1", "DoorlockPortNo", test::kEraseCardRequest,
     test::DoorResponse("200", "注销卡成功 ", 0)},
    {"MemberCard", "3", "MemberPortNo",
     "<MemberRequest type=\"PrintMemberCard\"><Hotel>H1</Hotel><CardNo>1</CardNo><Text>x</Text>"
     "</MemberRequest>",
     MemberPrintResponse()},
    {"HandTag", "4", "HandPortNo", "<HandRequest type=\"ReadHand\"/>",
     "<DoorResponse><RequestID></RequestID><ResultCode>500</ResultCode><ResultMessage>"
     "读手牌卡失败</ResultMessage><HandNo></HandNo></DoorResponse>"},
};

class HostileClientsTest : public ::testing::TestWithParam<KindCase> {
 protected:
  HostileClientsTest() {
    std::string error;
    EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) << error;
  }

  void Start() {
    server_ = std::make_unique<test::ServerProcess>(
        dir_.Path().string(), std::vector<std::string>{"--kind", GetParam().kind},
        std::map<std::string, std::string>{{"DREVAN_SIM_CARD", dir_.File("SimCard.txt")}},
        GetParam().portOption);
  }

  // SIGTERM, then the exit status; the server says "Terminate Thread Timeout" when its
  // connection threads outlast the stop wait.
  void StopWithinTheWait() {
    EXPECT_EQ(server_->Stop(SIGTERM, std::chrono::seconds(15)), 0);
    EXPECT_THAT(server_->Stderr(), Not(HasSubstr("Terminate Thread Timeout")));
    EXPECT_THAT(server_->Stdout(), HasSubstr("接口监听服务器已经停止。"));
  }

  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

TEST_P(HostileClientsTest, MisbehavingClientsDisturbNoOneAndStoppingStaysWithinTheWait) {
  Start();
  const KindCase& kind = GetParam();
  const std::string half = kind.request.substr(0, kind.request.size() / 2);

  // A well-behaved client asks over and over while the others misbehave.
  std::atomic<bool> hostileDone{false};
  std::atomic<int> served{0};
  std::atomic<int> wrong{0};
  std::thread wellBehaved([&] {
    while (!hostileDone || served < 20) {
      try {
        const test::Exchange exchange = test::Ask(server_->Port(), kind.request);
        const bool right =
            exchange.response == kind.response && exchange.closed && exchange.after.empty();
        ++(right ? served : wrong);
      } catch (const std::exception&) {
        ++wrong;  // refused or reset
      }
    }
  });

  std::vector<std::unique_ptr<test::LoopbackClient>> lingering;
  auto connect = [&] {
    auto client = std::make_unique<test::LoopbackClient>(server_->Port());
    client->SetSendTimeout(std::chrono::seconds(20));
    return client;
  };
  // Connect and never send, from five hosts, so that no host reaches the connections one host
  // may hold.
  for (int i = 0; i < 50; ++i) {
    lingering.push_back(
        std::make_unique<test::LoopbackClient>(server_->Port(), kLoopbackAddress + 1 + i % 5));
  }
  // Half a frame, then silence with the connection left open.
  std::vector<std::unique_ptr<test::LoopbackClient>> halfOpen;
  for (int i = 0; i < 4; ++i) {
    halfOpen.push_back(connect());
    halfOpen.back()->Send(half);
  }
  // Half a frame, then gone: an orderly close, and a reset.
  for (int i = 0; i < 4; ++i) {
    auto client = connect();
    client->Send(half);
  }
  for (int i = 0; i < 4; ++i) {
    auto client = connect();
    client->Send(half);
    client->Reset();
  }
  // A whole request, then a reset before the answer can be read: the server writes to a
  // connection that is gone.
  for (int i = 0; i < 4; ++i) {
    auto client = connect();
    client->SendFrame(kind.request);
    client->Reset();
  }
  // A mebibyte without a NUL: refused after the longest request, connection closed.
  {
    auto flood = connect();
    try {
      flood->Send(std::string(1 << 20, 'x'));
    } catch (const std::exception&) {
      // The server closed the connection while the flood was still being sent.
    }
    EXPECT_TRUE(flood->ClosedByServer());
    EXPECT_EQ(flood->Unread(), "");
  }
  // Served in the middle of it all, on this thread too.
  const test::Exchange amid = test::Ask(server_->Port(), kind.request);
  EXPECT_EQ(amid.response, kind.response);

  hostileDone = true;
  wellBehaved.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_GE(served, 20);

  // Nobody closed the silent clients or sent them anything: each still holds its connection.
  for (auto& client : lingering) EXPECT_TRUE(Untouched(*client));
  for (auto& client : halfOpen) EXPECT_TRUE(Untouched(*client));

  // Half frames are never handed on; whole ones are, reset or not (a reset may also discard
  // the frame before the server reads it).
  const auto log = test::LogOf(dir_.Path());
  const size_t received = test::CountOf(log, "收到消息: ");
  EXPECT_GE(received, static_cast<size_t>(served + 1));
  EXPECT_LE(received, static_cast<size_t>(served + 1 + 4));
  EXPECT_EQ(test::CountOf(log, "Max line length exceeded."), 1u);

  // With over fifty connections still open and waiting for a request, SIGTERM ends the
  // server in time, and every waiting client sees its connection end.
  StopWithinTheWait();
  for (auto& client : lingering) EXPECT_TRUE(client->ClosedByServer(std::chrono::seconds(2)));
  for (auto& client : halfOpen) {
    EXPECT_TRUE(client->ClosedByServer(std::chrono::seconds(2)));
    EXPECT_EQ(client->Unread(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, HostileClientsTest, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The door lock kind only ----

class DoorLockServerTest : public ::testing::Test {
 protected:
  DoorLockServerTest() {
    std::string error;
    EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) << error;
    server_ = std::make_unique<test::ServerProcess>(
        dir_.Path().string(), std::vector<std::string>{},
        std::map<std::string, std::string>{{"DREVAN_SIM_CARD", dir_.File("SimCard.txt")}});
  }

  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

// Connection threads have small stacks; a reader or a tree that recursed once per level
// would overflow them long before the longest request ends.
TEST_F(DoorLockServerTest, DeeplyNestedRequestsDoNotExhaustAConnectionThreadsStack) {
  const std::string open = "<DoorRequest type=\"ReadCard\">";
  const std::string close = "</DoorRequest>";
  const size_t depth = (16384 - open.size() - close.size()) / 7;
  std::string nested = open;
  for (size_t i = 0; i < depth; ++i) nested += "<a>";
  for (size_t i = 0; i < depth; ++i) nested += "</a>";
  nested += close;
  ASSERT_LE(nested.size(), 16384u);
  std::string unclosed = open;
  while (unclosed.size() + 3 <= 16384) unclosed += "<a>";
  std::string attributes = "<DoorRequest type=\"ReadCard\"";
  while (attributes.size() + 10 <= 16384) attributes += " a=\"1\"";
  attributes += "/>";

  const std::string noCard = test::DoorResponse("500", "读卡失败", 0);
  EXPECT_EQ(test::Ask(server_->Port(), nested).response, noCard);
  EXPECT_EQ(test::Ask(server_->Port(), unclosed).response, std::nullopt);
  EXPECT_EQ(test::Ask(server_->Port(), attributes).response, noCard);
  EXPECT_EQ(test::Ask(server_->Port(), test::kReadCardRequest).response, noCard);
  EXPECT_TRUE(server_->Running());
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST_F(DoorLockServerTest, AClientThatNeverReadsHoldsUpNeitherOthersNorTheStop) {
  // The answer to one request; with connections kept, the server leaves them open.
  auto ask = [&](const std::string& request) {
    test::LoopbackClient client(server_->Port());
    client.SendFrame(request);
    return client.ReadResponse();
  };
  // Keep connections open, so one connection carries request after request.
  ASSERT_EQ(ask(test::IssueCardRequest({.extra = "<KeepConnection>1</KeepConnection>"})),
            test::DoorResponse("200", "发卡成功", 1));

  // Pipelined requests whose answers are never read: the answers fill the socket buffers
  // until the server's write blocks, and then the server's reading of this connection too.
  test::LoopbackClient greedy(server_->Port());
  greedy.SetSendTimeout(std::chrono::seconds(30));
  std::string burst;
  for (int i = 0; i < 2000; ++i) burst += test::kEraseCardRequest + '\0';
  std::atomic<size_t> sentBytes{0};
  std::thread sender([&] {
    try {
      for (int i = 0; i < 1000; ++i) {  // about 60 MiB of requests, 130 MiB of answers
        greedy.Send(burst);
        sentBytes += burst.size();
      }
    } catch (const std::exception&) {
      // Blocked until the stop closed the connection (or the send timeout ran out).
    }
  });
  // Wait until the sending stalls, which it does once the server's write is blocked and the
  // server no longer reads; bounded in case it never does.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int still = 0; still < 5 && std::chrono::steady_clock::now() < deadline;) {
    const size_t before = sentBytes;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    still = sentBytes == before && before > 0 ? still + 1 : 0;
  }
  // Meanwhile everybody else is served, writes included.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ask(test::IssueCardRequest()), test::DoorResponse("200", "发卡成功", 2 + i));
  }

  EXPECT_EQ(server_->Stop(SIGTERM, std::chrono::seconds(15)), 0);
  EXPECT_THAT(server_->Stderr(), Not(HasSubstr("Terminate Thread Timeout")));
  sender.join();
}

// With every file descriptor taken, the listener neither spins nor stalls: a connection it
// has no descriptor for is closed at once, and serving resumes once descriptors come free.
TEST(DescriptorExhaustionTest, ConnectionsBeyondTheDescriptorsAreClosedAndServingResumes) {
  // The sanitizers' runtime needs descriptors of its own to check a pointer, and reports
  // sound objects as broken when it has none; the normal build runs this test.
  if (test::kSanitized) GTEST_SKIP() << "needs free descriptors under the sanitizers";
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase(dir.File("Client.mdb"), error)) << error;
  test::WriteOption(dir.Path().string(), "Network", "MaxConnections", "0");
  test::WriteOption(dir.Path().string(), "Network", "MaxConnectionsPerHost", "0");
  test::Launch launch;
  launch.commandPrefix = {"/usr/bin/prlimit", "--nofile=48", "--"};
  test::ServerProcess server(dir.Path().string(), {},
                             {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}}, "DoorlockPortNo",
                             launch);
  std::vector<std::unique_ptr<test::LoopbackClient>> idle;
  for (int i = 0; i < 80; ++i) {
    idle.push_back(std::make_unique<test::LoopbackClient>(server.Port()));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // time to accept or drop all
  int closed = 0;
  for (auto& client : idle) closed += !Untouched(*client);
  EXPECT_GT(closed, 0);
  EXPECT_LT(closed, 80);
  idle.clear();
  // The server sees the idle connections end in a moment; then a request is served again.
  std::optional<std::string> response;
  for (int attempt = 0; attempt < 50 && !response; ++attempt) {
    response = test::Ask(server.Port(), test::kReadCardRequest, std::chrono::seconds(2)).response;
  }
  EXPECT_EQ(response, test::DoorResponse("500", "读卡失败", 0));
  EXPECT_EQ(server.Stop(SIGTERM), 0);
  // Nor could the access log open its file meanwhile: the operator is told.
  EXPECT_THAT(server.Stderr(), HasSubstr("警告：访问日志无法写入："));
}

// Eight hosts hold every place with connections that never send, as a flood of idle
// connections would at the default caps (8 x 64 of 512). The PMS, from a ninth address, is
// served all the same, each time in the place of the connection that waited longest.
TEST(IdleSquattersTest, ANinthHostIsServedWhileEightHostsHoldEveryPlaceWaiting) {
  test::TempDir dir;
  const std::string folder = dir.Path().string();
  test::WriteOption(folder, "Network", "MaxConnections", "16");
  test::WriteOption(folder, "Network", "MaxConnectionsPerHost", "2");
  test::ServerProcess server(folder, {}, {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});
  // By the age of their connections, oldest first.
  std::vector<std::pair<int, std::unique_ptr<test::LoopbackClient>>> squatters;
  auto squat = [&](int host) {
    squatters.emplace_back(
        host, std::make_unique<test::LoopbackClient>(server.Port(), kLoopbackAddress + host));
  };
  for (int host = 1; host <= 8; ++host) {
    squat(host);
    squat(host);
  }
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(test::Ask(server.Port(), test::kReadCardRequest).response,
              test::DoorResponse("500", "读卡失败", 0));  // no card on the encoder
    // Every host holds two: the oldest connection made room. Its host takes the place again.
    EXPECT_TRUE(squatters.front().second->ClosedByServer());
    for (size_t i = 1; i < squatters.size(); ++i) EXPECT_TRUE(Untouched(*squatters[i].second));
    const int host = squatters.front().first;
    squatters.erase(squatters.begin());
    // The server lets the PMS's connection go, and then takes the new squatter in, before the
    // next request: otherwise either could come first on a busy machine.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    squat(host);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  EXPECT_EQ(server.Stop(SIGTERM), 0);
  const std::string access = test::ReadFileBytes(AccessLog::FileName(folder, SystemClock().Now()));
  EXPECT_EQ(test::CountContaining(test::SplitLines(access), " closed reason=too-many-connections "),
            3u);
  EXPECT_THAT(access, Not(HasSubstr(" refused ")));
}

// A PMS that goes away. The first client leaves while its card is being written: the card
// is good and opens the room, so the journal and the access log say that the PMS never heard
// of it. The second asks for the same room and gives up while it waits; by its turn (the room
// is held for the first) it is gone, and no card is cut for nobody. The third shuts its side
// as soon as it has sent, as nc does: it still reads, and gets its card and its answer.
TEST(PmsGoneTest, AWrittenCardIsNamedAndAClientGoneBeforeTheEncoderGetsNone) {
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase(dir.File("Client.mdb"), error)) << error;
  test::WriteOption(dir.Path().string(), "DoorlockOption", "SaveDoorlockRecord", "1");
  test::WriteOption(dir.Path().string(), "DoorlockOption", "UseNativeDoorlockDb", "1");
  test::ServerProcess server(
      dir.Path().string(), {},
      {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}, {"DREVAN_SIM_DELAY_MS", "300"}});
  const std::string request = test::IssueCardRequest({.checkOutDate = test::kFutureCheckOut});

  auto first = std::make_unique<test::LoopbackClient>(server.Port());
  first->SendFrame(request);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  auto second = std::make_unique<test::LoopbackClient>(server.Port());
  second->SendFrame(request);
  test::LoopbackClient third(server.Port());
  third.SendFrame(test::IssueCardRequest({.room = "09", .checkOutDate = test::kFutureCheckOut}));
  ::shutdown(third.Raw().NativeHandle(), SHUT_WR);
  std::this_thread::sleep_for(TConnection::kHalfCloseGrace + std::chrono::milliseconds(100));
  second.reset();
  first.reset();
  EXPECT_EQ(third.ReadResponse(), test::DoorResponse("200", "发卡成功", 2));
  EXPECT_EQ(server.Stop(SIGTERM), 0);  // lets every request finish

  test::TestDb db(dir.File("Client.mdb"));
  // The second and the third take their turns in either order once the first is done.
  EXPECT_THAT(db.Rows("select CardNo, RoomNo, IssueResult from T_IssueCardRecord"),
              ::testing::UnorderedElementsAreArray(std::vector<std::vector<std::string>>{
                  {"1", "010208", "卡已写好（卡号 1），PMS 没有收到结果，请在 PMS 核对"},
                  {"2", "010209", "成功"},
                  {"0", "010208", "拒绝：PMS 已断开，没有写卡"}}));
  EXPECT_THAT(test::ReadFileBytes(dir.File("SimCard.txt")), HasSubstr("GuestCard.CardNo=2\n"));
  const std::string access =
      test::ReadFileBytes(AccessLog::FileName(dir.Path().string(), SystemClock().Now()));
  EXPECT_THAT(access, ::testing::ContainsRegex("result=\"200\" card=\"1\" answered=client-gone "));
  EXPECT_THAT(access, ::testing::ContainsRegex("result=\"200\" card=\"2\" answered=yes "));
}

}  // namespace
}  // namespace keydesk
