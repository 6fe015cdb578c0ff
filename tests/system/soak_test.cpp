// A long run of mixed requests from many clients at once, with garbage among them, against
// the real program: it must not crash or leak, must answer every well-formed request, and
// must log every request it received.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <memory>
#include <regex>
#include <thread>

#include "fault_support.h"
#include "server_process.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

constexpr int kClients = 32;
// The instrumented server of a sanitizer build is many times slower, so it gets a tenth of
// the requests; its leak checker reports at exit instead of resident memory.
constexpr int kRequests = test::kSanitized ? 10'000 : 100'000;

enum class Kind { Issue, Read, Erase, Malformed, BadUtf8, UnknownType, OverLong };

// Request n of the run: 5 in every 100 are garbage of four sorts by turns, the rest issue,
// read and erase cards by turns.
Kind KindOf(int n) {
  if (n % 100 < 5) {
    static constexpr Kind kGarbage[] = {Kind::Malformed, Kind::BadUtf8, Kind::UnknownType,
                                        Kind::OverLong};
    return kGarbage[(n / 100 + n % 100) % 4];
  }
  static constexpr Kind kWellFormed[] = {Kind::Issue, Kind::Read, Kind::Erase};
  return kWellFormed[n % 3];
}

// Counts log messages by scanning the raw code page 936 bytes line by line: the soak's log
// is too big to convert whole.
size_t CountLogMessages(const std::string& path, const std::string& utf8Message) {
  const std::string bytes = test::ReadFileBytes(path);
  const std::string message = AnsiFromUtf8(utf8Message);
  size_t count = 0;
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    const std::string_view line(bytes.data() + at, end - at);
    if (line.size() == 20 + message.size() && line.substr(20) == message && line[4] == '-' &&
        line[19] == ' ') {
      ++count;
    }
    at = end + 2;
  }
  return count;
}

TEST(SoakTest, MixedRequestsWithGarbageFromManyClientsAreAllHandledWithoutLeaking) {
  test::TempDir dir;
  const auto created = test::RunProgram({"--init-db", "--dir", dir.Path().string()});
  ASSERT_EQ(created.status, 0) << created.err;
  test::ServerProcess server(dir.Path().string(), {},
                             {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});

  const std::regex issued(
      "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode>"
      "<ResultMessage>发卡成功</ResultMessage><CardNo>[1-9][0-9]*</CardNo></DoorResponse>");
  const std::regex read(
      "<DoorResponse><RequestID></RequestID><ResultCode>(200</ResultCode><ResultMessage>读卡成功"
      "</ResultMessage><CardNo>[1-9][0-9]*|500</ResultCode><ResultMessage>读卡失败"
      "</ResultMessage><CardNo>0)</CardNo></DoorResponse>");
  const std::string erased = test::DoorResponse("200", "注销卡成功 ", 0);
  const std::string overLong(16385, 'x');

  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::atomic<long> residentAtFifth{0};
  std::atomic<int> counts[7] = {};
  std::atomic<int> wrong{0};
  std::mutex firstWrongMutex;
  std::string firstWrong;  // guarded by firstWrongMutex

  auto client = [&] {
    for (int n; (n = next++) < kRequests;) {
      const Kind kind = KindOf(n);
      std::string request;
      switch (kind) {
        case Kind::Issue:
          request = test::IssueCardRequest({.room = std::to_string(n % 50)});
          break;
        case Kind::Read:
          request = test::kReadCardRequest;
          break;
        case Kind::Erase:
          request = test::kEraseCardRequest;
          break;
        case Kind::Malformed:
          request = "<DoorRequest type=\"ReadCard\"><a></DoorRequest>";
          break;
        case Kind::BadUtf8:
          request = "<DoorRequest type=\"ReadCard\"/>\xC3\x28";
          break;
        case Kind::UnknownType:
          request = "<DoorRequest type=\"ShredCard\"/>";
          break;
        case Kind::OverLong:
          request = overLong;
          break;
      }
      test::Exchange exchange;
      try {
        exchange = test::Ask(server.Port(), request);
      } catch (const std::exception&) {
        // Only a refused over-long frame may end in a reset while it is still being sent.
        exchange.closed = kind == Kind::OverLong;
      }
      bool right = exchange.closed && exchange.after.empty();
      switch (kind) {
        case Kind::Issue:
          right = right && exchange.response && std::regex_match(*exchange.response, issued);
          break;
        case Kind::Read:
          right = right && exchange.response && std::regex_match(*exchange.response, read);
          break;
        case Kind::Erase:
          right = right && exchange.response == erased;
          break;
        default:
          right = right && !exchange.response;
      }
      if (!right) {
        std::lock_guard lock(firstWrongMutex);
        if (wrong++ == 0) {
          firstWrong = "request " + std::to_string(n) + ": " +
                       exchange.response.value_or("(no response)") +
                       (exchange.closed ? "" : " (left open)");
        }
      }
      ++counts[static_cast<int>(kind)];
      if (++done == kRequests / 5) residentAtFifth = test::ResidentKiB(server.Pid());
    }
  };
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) clients.emplace_back(client);
  for (auto& thread : clients) thread.join();
  const long residentAtEnd = test::ResidentKiB(server.Pid());

  RecordProperty("ResidentKiBAtFifth", std::to_string(residentAtFifth));
  RecordProperty("ResidentKiBAtEnd", std::to_string(residentAtEnd));
  EXPECT_EQ(wrong, 0) << firstWrong;
  ASSERT_TRUE(server.Running()) << "the server died under the soak";
  if (!test::kSanitized) {
    // Thread stacks and allocator arenas settle early; a leak keeps growing, and 8 MiB over
    // 80,000 requests is 100 bytes each.
    EXPECT_GT(residentAtFifth, 0);
    EXPECT_LT(residentAtEnd, residentAtFifth + 8 * 1024) << "KiB at 20 %: " << residentAtFifth;
  }
  EXPECT_EQ(server.Stop(SIGTERM, std::chrono::seconds(30)), 0) << server.Stderr();

  const int overLongCount = counts[static_cast<int>(Kind::OverLong)];
  const int unreadable =
      counts[static_cast<int>(Kind::Malformed)] + counts[static_cast<int>(Kind::BadUtf8)];
  EXPECT_GT(overLongCount, 0);
  const std::string log = test::LogFileIn(dir.Path());
  EXPECT_EQ(CountLogMessages(log, "收到消息: "), static_cast<size_t>(kRequests - overLongCount));
  EXPECT_EQ(CountLogMessages(log, "Max line length exceeded."), static_cast<size_t>(overLongCount));
  // Unreadable requests end before the last line.
  EXPECT_EQ(CountLogMessages(log, "完成一次操作"),
            static_cast<size_t>(kRequests - overLongCount - unreadable));
}

}  // namespace
}  // namespace keydesk
