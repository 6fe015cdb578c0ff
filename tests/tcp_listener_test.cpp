// The intake over real sockets on 127.0.0.1: listener, connection threads, framing and the
// keep-connection rule, with a small handler that answers what it was given.
#include "intake/tcp_listener.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <regex>
#include <thread>

#include "core/access_log.h"
#include "core/log_file.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "intake/connection.h"
#include "intake/connection_threads.h"
#include "intake/request_intake.h"
#include "loopback_client.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using namespace std::string_literals;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;

// Answers "echo:" + the request; "fail" raises an error; "hold" waits until released.
class EchoHandler final : public TMessageHandler {
 public:
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int> waiting{0};
    std::atomic<int> handled{0};
  };
  explicit EchoHandler(Gate& gate) : gate_(gate) {}

  Reply HandleMessage(const std::u16string& request) override {
    ++gate_.handled;
    if (request == u"fail") throw ConvertError("'x' is not a valid integer value");
    if (request == u"hold") {
      {
        std::unique_lock lock(gate_.mutex);
        ++gate_.waiting;
        gate_.opened.wait(lock, [&] { return gate_.open; });
      }
    }
    Reply reply;
    reply.Response = AnsiFromUnicode(u"echo:" + request);
    return reply;
  }

 private:
  Gate& gate_;
};

class TcpListenerTest : public ::testing::Test {
 protected:
  // keeps: whether the kind has a keep-connection flag, as the door lock has.
  void Start(bool keeps = true, ListenerPolicy policy = {}, ReadLimits limits = {}) {
    intake_ = std::make_unique<RequestIntake>(
        [this] { return std::make_unique<EchoHandler>(gate_); }, keeps ? &keepConnection_ : nullptr,
        log_, RequestObserver(), limits, &access_);
    listener_ = std::make_unique<TcpListener>(
        [this](TConnection& connection) { intake_->Serve(connection); }, std::move(policy),
        &access_, &status_);
    listener_->Activate(0);
  }
  void TearDown() override {
    OpenGate();
    if (listener_) listener_->Deactivate();
  }
  void OpenGate() {
    std::lock_guard lock(gate_.mutex);
    gate_.open = true;
    gate_.opened.notify_all();
  }
  test::LoopbackClient Client() { return test::LoopbackClient(listener_->Port()); }
  // A client from another host, 127.0.0.n.
  test::LoopbackClient ClientFrom(int n) {
    return test::LoopbackClient(listener_->Port(), kLoopbackAddress - 1 + n);
  }
  // The access log's lines, without their time stamps, once count are there.
  std::vector<std::string> AccessLines(size_t count) {
    const std::string path = AccessLog::FileName(dir_.Path().string(), clock_.Now());
    std::vector<std::string> lines;
    for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
      lines.clear();
      std::ifstream in(path, std::ios::binary);
      for (std::string line; std::getline(in, line);) lines.push_back(line.substr(24));
      if (lines.size() >= count) break;
    }
    return lines;
  }

  test::TempDir dir_;
  TSysOption options_{dir_.File("Option.ini")};
  test::FixedClock clock_{test::MakeDateTime(2026, 12, 7, 9, 0)};
  TLogFile log_{dir_.File("20261207.LOG"), options_, clock_};
  AccessLog access_{dir_.Path().string(), "doorlock", true, clock_};
  ServiceStatus status_;
  std::atomic<bool> keepConnection_{false};
  EchoHandler::Gate gate_;
  std::unique_ptr<RequestIntake> intake_;
  std::unique_ptr<TcpListener> listener_;
};

TEST_F(TcpListenerTest, AnswersARequestAndClosesTheConnection) {
  Start();
  // Waiting for a connection counts as taking them, for a service manager's watchdog.
  EXPECT_TRUE(listener_->Accepting(std::chrono::seconds(1)));
  auto client = Client();
  client.SendFrame("<DoorRequest type=\"ReadCard\"/>");
  EXPECT_EQ(client.ReadResponse(), "echo:<DoorRequest type=\"ReadCard\"/>");
  EXPECT_TRUE(client.ClosedByServer());
  listener_->Deactivate();
  EXPECT_FALSE(listener_->Accepting(std::chrono::seconds(1)));
}

TEST_F(TcpListenerTest, HandsALoneNulOverAsAnEmptyText) {
  Start();
  auto client = Client();
  client.Send("\0"s);
  EXPECT_EQ(client.ReadResponse(), "echo:");
}

TEST_F(TcpListenerTest, DecodesUtf8AndTurnsMalformedBytesIntoAnEmptyText) {
  Start();
  auto chinese = Client();
  chinese.SendFrame("中文");
  EXPECT_EQ(chinese.ReadResponse(), "echo:中文");
  auto codePage = Client();
  codePage.SendFrame("\xD6\xD0\xCE\xC4");
  EXPECT_EQ(codePage.ReadResponse(), "echo:");
}

TEST_F(TcpListenerTest, ServesTheLongestRequestAndRefusesOneByteMore) {
  Start();
  auto longest = Client();
  longest.SendFrame(std::string(16384, 'x'));
  EXPECT_EQ(longest.ReadResponse()->size(), 5u + 16384u);

  auto tooLong = Client();
  tooLong.SendFrame(std::string(16385, 'x'));
  EXPECT_TRUE(tooLong.ClosedByServer());
  EXPECT_TRUE(tooLong.Unread().empty());
  EXPECT_EQ(test::LogMessages(log_.FileName()),
            std::vector<std::string>{"Max line length exceeded."});
  EXPECT_THAT(AccessLines(2), ::testing::UnorderedElementsAre(
                                  MatchesRegex(".* doorlock request .* answered=yes ms=.+\r"),
                                  MatchesRegex(".* doorlock oversized bytes=16386\r")));
}

TEST_F(TcpListenerTest, KeptConnectionsServeBackToBackRequestsInOrder) {
  keepConnection_ = true;
  Start();
  auto client = Client();
  client.Send("first\0second\0"s);
  EXPECT_EQ(client.ReadResponse(), "echo:first");
  EXPECT_EQ(client.ReadResponse(), "echo:second");
  EXPECT_FALSE(client.ClosedByServer(std::chrono::milliseconds(200)));
  client.SendFrame("third");
  EXPECT_EQ(client.ReadResponse(), "echo:third");
}

TEST_F(TcpListenerTest, WithoutKeepConnectionTheSecondRequestInAPacketIsDropped) {
  Start();
  auto client = Client();
  client.Send("first\0second\0"s);
  EXPECT_EQ(client.ReadResponse(), "echo:first");
  EXPECT_TRUE(client.ClosedByServer());
  EXPECT_TRUE(client.Unread().empty());
}

TEST_F(TcpListenerTest, AKindWithoutAKeepFlagClosesEveryConnection) {
  keepConnection_ = true;
  Start(/*keeps=*/false);
  auto client = Client();
  client.SendFrame("first");
  EXPECT_EQ(client.ReadResponse(), "echo:first");
  EXPECT_TRUE(client.ClosedByServer());
}

TEST_F(TcpListenerTest, ARequestEndingInAnErrorGetsNoResponseButALogLine) {
  Start();
  auto failing = Client();
  failing.SendFrame("fail");
  EXPECT_TRUE(failing.ClosedByServer());
  EXPECT_TRUE(failing.Unread().empty());
  EXPECT_EQ(test::LogMessages(log_.FileName()),
            std::vector<std::string>{"'x' is not a valid integer value"});
  auto next = Client();
  next.SendFrame("next");
  EXPECT_EQ(next.ReadResponse(), "echo:next");
}

TEST_F(TcpListenerTest, AClientLeavingMidRequestIsForgottenSilently) {
  Start();
  {
    auto leaving = Client();
    leaving.Send("<DoorRequest");
  }
  auto next = Client();
  next.SendFrame("next");
  EXPECT_EQ(next.ReadResponse(), "echo:next");
  EXPECT_FALSE(std::filesystem::exists(log_.FileName()));
}

TEST_F(TcpListenerTest, StoppingClosesIdleConnectionsAtOnce) {
  Start();
  std::vector<test::LoopbackClient> idle;
  for (int i = 0; i < 12; ++i) idle.push_back(Client());
  while (listener_->OpenConnections() < idle.size()) std::this_thread::yield();
  // Deactivate raises "Terminate Thread Timeout" unless every thread ended within the wait.
  EXPECT_NO_THROW(listener_->Deactivate());
  for (auto& client : idle) EXPECT_TRUE(client.ClosedByServer());
  EXPECT_FALSE(listener_->Active());
}

TEST_F(TcpListenerTest, ServesManyClientsAtOnce) {
  Start();
  // Rounds of twelve: more connections at once than the backlog of 15 holds can make the
  // system retry a connect a second later, which only slows the test down.
  for (int round = 0; round < 4; ++round) {
    std::vector<test::LoopbackClient> clients;
    for (int i = 0; i < 12; ++i) clients.push_back(Client());
    for (int i = 0; i < 12; ++i) clients[i].SendFrame("c" + std::to_string(i));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(clients[i].ReadResponse(), "echo:c" + std::to_string(i));
  }
}

TEST_F(TcpListenerTest, APortInUseIsReportedWithTheSystemsText) {
  Start();
  TcpListener second([](TConnection&) {});
  try {
    second.Activate(listener_->Port());
    FAIL() << "bound a port in use";
  } catch (const SocketError& error) {
    EXPECT_STREQ(error.what(), "Could not bind socket. Address and port are already in use.");
  }
}

TEST_F(TcpListenerTest, ThreadsThatOutlastTheStopWaitAreReported) {
  Start();
  auto client = Client();
  client.SendFrame("hold");
  while (gate_.waiting == 0) std::this_thread::yield();
  try {
    listener_->Deactivate();
    FAIL() << "stopped with a thread still running";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Terminate Thread Timeout");
  }
  // The stuck thread finishes on its own afterwards; its write fails on the closed
  // connection. Wait until it has left the intake (its connection is forgotten only after
  // the routine returns) before the test's objects go.
  OpenGate();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (listener_->OpenConnections() != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(listener_->OpenConnections(), 0u);
}

TEST_F(TcpListenerTest, AHostNotAllowedIsClosedBeforeAByteIsReadAndLogged) {
  Start(true, {.Allowed = AllowedHosts::Parse("127.0.0.1")});
  auto stranger = ClientFrom(2);
  stranger.SendFrame("IssueCard for 0808");
  EXPECT_TRUE(stranger.ClosedByServer());
  EXPECT_EQ(stranger.Unread(), "");
  auto pms = Client();
  pms.SendFrame("ReadCard");
  EXPECT_EQ(pms.ReadResponse(), "echo:ReadCard");
  EXPECT_EQ(gate_.handled, 1);
  // Counted for the window, by host and reason.
  const auto refused = status_.Get().Refused;
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].Host, kLoopbackAddress + 1);
  EXPECT_EQ(refused[0].Why, ConnectionRefusal::NotAllowed);
  EXPECT_EQ(refused[0].Count, 1u);
  const std::vector<std::string> lines = AccessLines(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[0], MatchesRegex("127\\.0\\.0\\.2:.+ doorlock refused reason=not-allowed\r"));
  EXPECT_THAT(lines[1],
              MatchesRegex("127\\.0\\.0\\.1:.+ doorlock request type=\"\" .* answered=yes "
                           "ms=.+\r"));
}

// Connections that only wait must not keep the PMS out: at a cap, the one waiting longest
// of its own host (per host) or of the host holding the most (in all) is closed instead.
TEST_F(TcpListenerTest, AtACapTheConnectionWaitingLongestOfTheBusiestHostMakesRoom) {
  Start(true, {.MaxConnections = 3, .MaxConnectionsPerHost = 2});
  auto first = ClientFrom(1);
  auto second = ClientFrom(1);
  while (listener_->OpenConnections() < 2) std::this_thread::yield();
  auto third = ClientFrom(1);  // the host's cap: its first connection goes
  EXPECT_TRUE(first.ClosedByServer());
  auto other = ClientFrom(2);
  while (listener_->OpenConnections() < 3) std::this_thread::yield();
  auto newcomer = ClientFrom(3);  // the cap in all: 127.0.0.1 holds the most
  EXPECT_TRUE(second.ClosedByServer());
  EXPECT_EQ(second.Unread(), "");
  for (auto* client : {&third, &other, &newcomer}) {
    client->SendFrame("ReadCard");
    EXPECT_EQ(client->ReadResponse(), "echo:ReadCard");
  }
  EXPECT_TRUE(status_.Get().Refused.empty());
  const std::vector<std::string> lines = AccessLines(5);
  EXPECT_THAT(lines, ::testing::Contains(MatchesRegex(
                         "127\\.0\\.0\\.1:.+ doorlock closed reason=too-many-from-host "
                         "ms=.+ for=127\\.0\\.0\\.1:.+\r")));
  EXPECT_THAT(lines, ::testing::Contains(MatchesRegex(
                         "127\\.0\\.0\\.1:.+ doorlock closed reason=too-many-connections "
                         "ms=.+ for=127\\.0\\.0\\.3:.+\r")));
}

TEST_F(TcpListenerTest, AtACapTheNewcomerIsClosedOnlyWhenEveryConnectionIsServing) {
  Start(true, {.MaxConnections = 2});
  std::vector<test::LoopbackClient> busy;
  for (int i = 0; i < 2; ++i) {
    busy.push_back(ClientFrom(2 + i));
    busy.back().SendFrame("hold");
  }
  while (gate_.waiting < 2) std::this_thread::yield();
  auto refused = Client();
  EXPECT_TRUE(refused.ClosedByServer());
  OpenGate();
  for (auto& client : busy) EXPECT_EQ(client.ReadResponse(), "echo:hold");
  const auto counted = status_.Get().Refused;
  ASSERT_EQ(counted.size(), 1u);
  EXPECT_EQ(counted[0].Why, ConnectionRefusal::TooManyConnections);
  EXPECT_THAT(AccessLines(3), ::testing::Contains(MatchesRegex(
                                  "127\\.0\\.0\\.1:.* refused reason=too-many-connections\r")));
}

TEST_F(TcpListenerTest, ARequestMustArriveWithinItsLimitHoweverSlowlyItTrickles) {
  Start(true, {}, {.Request = std::chrono::milliseconds(300)});
  auto slow = Client();
  slow.SetSendTimeout(std::chrono::seconds(5));
  // A byte every 100 ms would never meet a limit on each read; the limit runs from the first.
  bool closed = false;
  for (int i = 0; i < 40 && !closed; ++i) {
    try {
      slow.Send("x");
    } catch (const std::exception&) {
      break;  // the server has gone
    }
    closed = slow.ClosedByServer(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(closed || slow.ClosedByServer());
  EXPECT_EQ(gate_.handled, 0);
  EXPECT_THAT(AccessLines(1),
              ElementsAre(MatchesRegex(".* doorlock timeout wait=request ms=.+\r")));
  // Whole requests are served as before.
  auto quick = Client();
  quick.SendFrame("quick");
  EXPECT_EQ(quick.ReadResponse(), "echo:quick");
}

TEST_F(TcpListenerTest, BlanksDoNotKeepAConnectionBeyondTheFirstRequestsLimit) {
  Start(true, {},
        {.Request = std::chrono::seconds(60), .FirstRequest = std::chrono::milliseconds(300)});
  auto trickle = Client();
  trickle.SetSendTimeout(std::chrono::seconds(5));
  // A blank every 100 ms: each would restart a limit taken per receive.
  bool closed = false;
  for (int i = 0; i < 40 && !closed; ++i) {
    try {
      trickle.Send(i % 2 == 0 ? " " : "\r\n");
    } catch (const std::exception&) {
      break;  // the server has gone
    }
    closed = trickle.ClosedByServer(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(closed || trickle.ClosedByServer());
  EXPECT_EQ(gate_.handled, 0);
  const std::vector<std::string> lines = AccessLines(1);
  ASSERT_EQ(lines.size(), 1u);
  std::smatch waited;
  ASSERT_TRUE(std::regex_search(lines[0], waited, std::regex("timeout wait=idle ms=([0-9]+)")));
  EXPECT_GE(std::stoi(waited[1]), 300);  // counted from the connect
}

TEST_F(TcpListenerTest, KeptConnectionsWaitWithoutLimitUnlessAnIdleLimitIsSet) {
  keepConnection_ = true;
  Start(true, {},
        {.Request = std::chrono::seconds(60), .FirstRequest = std::chrono::milliseconds(100)});
  auto kept = Client();
  kept.SendFrame("first");
  EXPECT_EQ(kept.ReadResponse(), "echo:first");
  EXPECT_FALSE(kept.ClosedByServer(std::chrono::milliseconds(400)));
  kept.SendFrame("second");
  EXPECT_EQ(kept.ReadResponse(), "echo:second");
}

TEST_F(TcpListenerTest, AConnectionIdleBeyondItsLimitIsClosedAlsoBetweenKeptRequests) {
  keepConnection_ = true;
  Start(true, {},
        {.Request = std::chrono::seconds(60),
         .FirstRequest = std::chrono::milliseconds(200),
         .Idle = std::chrono::milliseconds(200)});
  auto silent = Client();
  EXPECT_TRUE(silent.ClosedByServer());
  auto kept = Client();
  kept.SendFrame("first");
  EXPECT_EQ(kept.ReadResponse(), "echo:first");
  EXPECT_TRUE(kept.ClosedByServer());
  const std::vector<std::string> lines = AccessLines(3);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.find("timeout wait=idle") != std::string::npos;
                          }),
            2);
}

// Under Wine a send blocked on a full socket is not ended by its time limit, as Windows ends
// it; the limit is set all the same.
#if !defined(_WIN32)
TEST_F(TcpListenerTest, AClientThatTakesNoResponseIsClosedOnceTheRequestLimitHasPassed) {
  keepConnection_ = true;
  Start(true, {}, {.Request = std::chrono::milliseconds(300)});
  auto greedy = Client();
  greedy.SetSendTimeout(std::chrono::seconds(5));
  // Requests whose answers are never read: about 32 MB of them, more than the socket buffers
  // of both ends hold, so that the server's send blocks.
  std::thread sender([&greedy] {
    const std::string request(16000, 'x');
    try {
      for (int i = 0; i < 2000; ++i) greedy.SendFrame(request);
    } catch (const std::exception&) {
      // The server has closed the connection.
    }
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((gate_.handled == 0 || listener_->OpenConnections() != 0) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(listener_->OpenConnections(), 0u);
  EXPECT_GT(gate_.handled, 0);
  sender.join();
}

#endif

TEST(ConnectionThreads, RunsEveryTaskAtOnceWithoutLimit) {
  ConnectionThreads threads;
  std::mutex mutex;
  std::condition_variable changed;
  int started = 0;
  bool release = false;
  constexpr int kTasks = 64;
  for (int i = 0; i < kTasks; ++i) {
    threads.Run([&] {
      std::unique_lock lock(mutex);
      ++started;
      changed.notify_all();
      changed.wait(lock, [&] { return release; });
    });
  }
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return started == kTasks; }));
    release = true;
    changed.notify_all();
  }
  EXPECT_TRUE(threads.WaitForTasks(std::chrono::seconds(10)));
  EXPECT_EQ(threads.RunningTasks(), 0u);
  // The threads stay for the next tasks instead of being created again.
  EXPECT_EQ(threads.Threads(), static_cast<size_t>(kTasks));
  std::atomic<int> ran{0};
  for (int i = 0; i < 10; ++i) threads.Run([&] { ++ran; });
  EXPECT_TRUE(threads.WaitForTasks(std::chrono::seconds(10)));
  EXPECT_EQ(ran, 10);
  EXPECT_EQ(threads.Threads(), static_cast<size_t>(kTasks));
}

}  // namespace
}  // namespace keydesk
