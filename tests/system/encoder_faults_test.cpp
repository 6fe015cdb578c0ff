// The encoder failing at each of its steps, and slow, while 20 clients issue cards at once,
// against the real program and the simulated card library. Every request must be answered
// as the encoder decided, none lost, and the library's calls must never interleave: the
// call trace must read as whole operations, one after another.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "fault_support.h"
#include "loopback_client.h"
#include "notify_socket.h"
#include "server_process.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using ::testing::Each;
using ::testing::Eq;

constexpr int kClients = 20;

const std::vector<std::string> kIssueSteps = {"SerialNo_FromNow", "Write_Guest_Card",
                                              "Write_Guest_Lift", "Write_Guest_PowerSwitch",
                                              "Reader_Alarm"};
const std::vector<std::string> kReadSteps = {"Read_Guest_Card", "Read_Guest_Lift",
                                             "Read_Guest_PowerSwitch"};

// The steps an operation takes when `failing` fails: up to and including a failing write or
// read; the beep's result is not looked at. Without a power switch there is none to write. A
// card whose guest-room block was written before a later block failed is voided: its
// guest-room block written again and read back.
std::vector<std::string> StepsTaken(const std::vector<std::string>& steps,
                                    const std::string& failing, bool powerSwitch) {
  std::vector<std::string> taken;
  for (const std::string& step : steps) {
    if (step == "Write_Guest_PowerSwitch" && !powerSwitch) continue;
    taken.push_back(step);
    if (step == failing && step != "SerialNo_FromNow" && step != "Reader_Alarm") break;
  }
  if (failing == "Write_Guest_Lift" || failing == "Write_Guest_PowerSwitch") {
    if (taken.back() == failing) taken.insert(taken.end(), {"Write_Guest_Card", "Read_Guest_Card"});
  }
  return taken;
}

struct TraceReading {
  std::string problem;                 // empty when the calls form whole operations
  std::vector<int64_t> issuedNumbers;  // the card number of every issue, in trace order
  int reads = 0;
};

// Reads the trace as a sequence of whole issues and reads. An issue takes every step up to
// the injected failure; a read ends at the first block it cannot read. Every write of one
// issue must carry the same card number (its fifth argument).
TraceReading ReadTrace(const std::string& trace, const std::string& failing, bool powerSwitch) {
  const std::vector<std::string> issue = StepsTaken(kIssueSteps, failing, powerSwitch);
  const std::vector<std::string> read = StepsTaken(kReadSteps, failing, powerSwitch);
  // Words are split at every single blank: an empty text argument is an empty word.
  std::vector<std::vector<std::string>> calls;
  for (const std::string& line : test::SplitLines(trace)) {
    calls.emplace_back();
    std::istringstream words(line);
    for (std::string word; std::getline(words, word, ' ');) calls.back().push_back(word);
  }
  TraceReading reading;
  for (size_t at = 0; at < calls.size();) {
    const std::vector<std::string>& group = calls[at].front() == issue.front()  ? issue
                                            : calls[at].front() == read.front() ? read
                                                                                : issue;
    std::optional<std::string> cardNo;
    for (size_t k = 0; k < group.size(); ++k, ++at) {
      // A read ends at the first block it cannot read, injected failure or not.
      const bool readEnded = &group == &read && k > 0 &&
                             (at >= calls.size() || calls[at].front() == issue.front() ||
                              calls[at].front() == read.front());
      if (readEnded) break;
      if (at >= calls.size() || calls[at].front() != group[k]) {
        reading.problem = "call " + std::to_string(at + 1) + " breaks an operation that began " +
                          "with call " + std::to_string(at - k + 1);
        return reading;
      }
      if (&group == &issue && calls[at].front().rfind("Write_", 0) == 0) {
        if (calls[at].size() < 6) {
          reading.problem = "call " + std::to_string(at + 1) + " is cut short";
          return reading;
        }
        if (cardNo && *cardNo != calls[at][5]) {
          reading.problem = "call " + std::to_string(at + 1) + " writes another card's number";
          return reading;
        }
        cardNo = calls[at][5];
      }
    }
    if (&group == &issue) {
      reading.issuedNumbers.push_back(cardNo ? std::stoll(*cardNo) : 0);
    } else {
      ++reading.reads;
    }
  }
  return reading;
}

struct FailureCase {
  std::string function;
  int code;
  std::string issueCode;  // "200" or "500"
  bool readSucceeds;
  std::string logLine;  // what the driver logs for each failure
};

const FailureCase kFailures[] = {
    // The number the library hands out is used as it is.
    {"SerialNo_FromNow", 77, "200", true, ""},
    {"Write_Guest_Card", 11, "500", false, "发卡失败11"},
    {"Write_Guest_Lift", 12, "500", false, "电梯失败12"},
    {"Write_Guest_PowerSwitch", 13, "500", false, "取电失败13"},
    {"Reader_Alarm", 14, "200", true, ""},
    {"Read_Guest_Card", 15, "200", false, "读卡失败15"},
    {"Read_Guest_Lift", 16, "200", false, "读取控制电梯失败16"},
    {"Read_Guest_PowerSwitch", 17, "200", false, "读取电失败"},
};

void PrintTo(const FailureCase& failure, std::ostream* out) {
  *out << failure.function << ":" << failure.code;
}

class EncoderFaultsTest : public ::testing::Test {
 protected:
  EncoderFaultsTest() {
    const auto created = test::RunProgram({"--init-db", "--dir", dir_.Path().string()});
    EXPECT_EQ(created.status, 0) << created.err;
    test::WriteOption(dir_.Path().string(), "DoorlockOption", "SaveDoorlockRecord", "1");
    // The traces read here are of the blocks' calls; the read-back has a test of its own.
    test::WriteOption(dir_.Path().string(), "DoorlockOption", "VerifyAfterWrite", "0");
  }

  void Start(std::map<std::string, std::string> extra) {
    std::map<std::string, std::string> environment = {{"DREVAN_SIM_CARD", dir_.File("SimCard.txt")},
                                                      {"DREVAN_SIM_TRACE", Trace()}};
    environment.insert(extra.begin(), extra.end());
    server_ = std::make_unique<test::ServerProcess>(dir_.Path().string(),
                                                    std::vector<std::string>{}, environment);
  }

  std::string Trace() const { return dir_.File("trace.txt"); }

  // Every client issues one card for a room of its own, all at once.
  std::vector<std::optional<std::string>> IssueAtOnce(std::chrono::milliseconds wait) {
    std::vector<std::optional<std::string>> responses(kClients);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
      clients.emplace_back([&, i] {
        try {
          responses[i] = test::Ask(server_->Port(),
                                   test::IssueCardRequest({.room = std::to_string(10 + i)}), wait)
                             .response;
        } catch (const std::exception&) {
          // No connection: counted as no response.
        }
      });
    }
    for (auto& client : clients) client.join();
    return responses;
  }

  std::vector<std::string> Journal() {
    test::TestDb db(dir_.File("Client.mdb"));
    std::vector<std::string> numbers;
    for (const auto& row : db.Rows("select CardNo from T_IssueCardRecord")) {
      numbers.push_back(row[0]);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
  }

  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

class EncoderFailureTest : public EncoderFaultsTest,
                           public ::testing::WithParamInterface<FailureCase> {};

TEST_P(EncoderFailureTest, EveryConcurrentRequestIsAnsweredAsTheEncoderDecided) {
  const FailureCase& failure = GetParam();
  // A power switch is configured, so that every write step is taken.
  test::WriteOption(dir_.Path().string(), "DoorlockOption", "PowerSwitchTypeName", "8602-1M-57BA");
  Start({{"DREVAN_SIM_FAIL", failure.function + ":" + std::to_string(failure.code)}});

  const auto responses = IssueAtOnce(test::LoopbackClient::kWait);
  const std::string message = failure.issueCode == "200" ? "发卡成功" : "发卡失败";
  std::vector<std::string> numbers;
  for (const auto& response : responses) {
    ASSERT_TRUE(response.has_value()) << "a request was lost";
    const auto cardNo = test::CardNoOf(*response);
    ASSERT_TRUE(cardNo.has_value()) << *response;
    EXPECT_EQ(*response, test::DoorResponse(failure.issueCode, message, *cardNo));
    numbers.push_back(std::to_string(*cardNo));
  }
  std::sort(numbers.begin(), numbers.end());

  const TraceReading issued = ReadTrace(test::ReadFileBytes(Trace()), failure.function, true);
  ASSERT_EQ(issued.problem, "");
  ASSERT_EQ(issued.issuedNumbers.size(), static_cast<size_t>(kClients));
  std::vector<std::string> traced;
  for (const int64_t number : issued.issuedNumbers) traced.push_back(std::to_string(number));
  std::sort(traced.begin(), traced.end());
  EXPECT_EQ(numbers, traced);
  if (failure.function == "SerialNo_FromNow") {
    EXPECT_THAT(numbers, Each(Eq(std::to_string(failure.code))));
  } else {
    EXPECT_EQ(std::set<std::string>(numbers.begin(), numbers.end()).size(),
              static_cast<size_t>(kClients));
  }

  // Reads of the card left by the last issue.
  const int64_t lastCard = issued.issuedNumbers.back();
  for (int i = 0; i < 3; ++i) {
    const test::Exchange read = test::Ask(server_->Port(), test::kReadCardRequest);
    EXPECT_EQ(read.response, failure.readSucceeds ? test::DoorResponse("200", "读卡成功", lastCard)
                                                  : test::DoorResponse("500", "读卡失败", 0));
  }
  EXPECT_EQ(ReadTrace(test::ReadFileBytes(Trace()), failure.function, true).reads, 3);

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  // Every attempt is journaled, failed or not.
  EXPECT_EQ(Journal(), numbers);
  if (!failure.logLine.empty()) {
    const size_t expected = failure.function.rfind("Read_", 0) == 0 ? 3 : kClients;
    EXPECT_EQ(test::CountOf(test::LogOf(dir_.Path()), failure.logLine), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(EachStep, EncoderFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return info.param.function; });

TEST_F(EncoderFaultsTest, WithVerifyAfterWriteACardThatReadsBackWronglyIsAnswered500) {
  test::WriteOption(dir_.Path().string(), "DoorlockOption", "VerifyAfterWrite", "1");
  Start({{"DREVAN_SIM_CORRUPT", "GuestCard.ValidTo"}});
  EXPECT_EQ(test::Ask(server_->Port(), test::IssueCardRequest()).response,
            test::DoorResponse("500", "发卡失败", 1));
  // The card on the encoder is still what the journal says of card 1; the PMS's answer to a
  // read is as ever.
  EXPECT_EQ(test::Ask(server_->Port(), test::kReadCardRequest).response,
            test::DoorResponse("200", "读卡成功", 1));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  const auto log = test::LogOf(dir_.Path());
  EXPECT_EQ(
      test::CountOf(log, "发卡失败, 写卡后读回不符: 有效期结束: 写入 0808201200, 读回 0808201201"),
      1u);
  EXPECT_EQ(test::CountOf(log, "房间(08)发卡失败"), 1u);
  EXPECT_EQ(test::CountOf(log,
                          "发卡记录：房间 010208，客人 王先生，有效期 2008-08-18 14:00 至 "
                          "2008-08-20 12:00"),
            1u);
  EXPECT_EQ(Journal(), std::vector<std::string>{"1"});
}

// Slow by nature: four calls of 500 ms per card, twenty cards one after another, about 40 s.
TEST_F(EncoderFaultsTest, ASlowEncoderServesTwentyConcurrentCardsInTurnAndLosesNone) {
  Start({{"DREVAN_SIM_DELAY_MS", "500"}});
  const auto responses = IssueAtOnce(std::chrono::seconds(180));
  std::set<int64_t> numbers;
  for (const auto& response : responses) {
    ASSERT_TRUE(response.has_value()) << "a request was lost";
    const auto cardNo = test::CardNoOf(*response);
    ASSERT_TRUE(cardNo.has_value()) << *response;
    EXPECT_EQ(*response, test::DoorResponse("200", "发卡成功", *cardNo));
    numbers.insert(*cardNo);
  }
  std::set<int64_t> expected;
  for (int i = 1; i <= kClients; ++i) expected.insert(i);
  EXPECT_EQ(numbers, expected);

  const TraceReading issued = ReadTrace(test::ReadFileBytes(Trace()), "", false);
  EXPECT_EQ(issued.problem, "");
  EXPECT_EQ(std::set<int64_t>(issued.issuedNumbers.begin(), issued.issuedNumbers.end()), numbers);
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(Journal().size(), static_cast<size_t>(kClients));
}

// Another host asking without pause does not keep the PMS waiting: the hosts take turns at
// the encoder, so the PMS's read waits for at most one call of the other host's besides the
// one under way; and a request still in line at its deadline is told the encoder is busy.
TEST_F(EncoderFaultsTest, HostsTakeTurnsAndARequestInLineAtItsDeadlineHearsTheEncoderIsBusy) {
  test::WriteOption(dir_.Path().string(), "Network", "RequestTimeout", "1");
  // The PMS's host beside this one; --init-db's Option.ini allows this machine only.
  test::WriteOption(dir_.Path().string(), "Network", "AllowedHosts", "127.0.0.1, 127.0.0.2");
  Start({{"DREVAN_SIM_DELAY_MS", "100"}});  // a read is three calls: 300 ms
  std::atomic<bool> stop{false};
  std::atomic<int> othersServed{0};
  std::vector<std::thread> others;
  for (int i = 0; i < 12; ++i) {
    others.emplace_back([&] {
      while (!stop) {
        try {
          if (test::Ask(server_->Port(), test::kReadCardRequest).response) ++othersServed;
        } catch (const std::exception&) {
        }
      }
    });
  }
  while (othersServed < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));

  test::LoopbackClient pms(server_->Port(), kLoopbackAddress + 1);
  const int before = othersServed;
  pms.SendFrame(test::kReadCardRequest);
  EXPECT_EQ(pms.ReadResponse(), test::DoorResponse("500", "读卡失败", 0));  // no card yet
  // The read under way when the PMS asked, and one of the other host's in its turn.
  EXPECT_LE(othersServed - before, 3);
  // Twelve in line from one host, each read 300 ms: the last ones wait past their 1 s.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (test::CountContaining(test::LogOf(dir_.Path()), "发卡器忙") == 0 &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  stop = true;
  for (auto& other : others) other.join();
  EXPECT_GE(test::CountContaining(test::LogOf(dir_.Path()), "发卡器忙"), 1u);
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

// A call the library does not come back from: its request is answered at the limit, later
// ones at once, the service manager's watchdog goes unfed while it lasts, and all is as
// before once the call returns.
TEST_F(EncoderFaultsTest, AHungCallIsAnsweredAtItsLimitAndStopsTheWatchdogWhileItLasts) {
  test::WriteOption(dir_.Path().string(), "SysOption", "EncoderTimeout", "1");
  test::NotifySocket manager(dir_.File("notify"));
  Start({{"DREVAN_SIM_DELAY_MS", "3000"},
         {"NOTIFY_SOCKET", manager.Path()},
         {"WATCHDOG_USEC", "200000"}});
  EXPECT_EQ(manager.Next(), "READY=1");
  EXPECT_EQ(manager.Next(), "WATCHDOG=1");
  EXPECT_EQ(test::Ask(server_->Port(), test::kReadCardRequest).response,
            test::DoorResponse("500", "读卡失败", 0));
  EXPECT_EQ(test::Ask(server_->Port(), test::kReadCardRequest).response,
            test::DoorResponse("500", "读卡失败", 0));
  // Fed no more while the call hangs: what came is what was sent before it was stuck.
  manager.Drain();
  EXPECT_EQ(manager.NextWithin(std::chrono::milliseconds(800)), "");
  // The call comes back (3 s): fed again.
  EXPECT_EQ(manager.Next(), "WATCHDOG=1");
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_THAT(server_->Stderr(), ::testing::HasSubstr("发卡器 1 秒没有响应"));
  EXPECT_EQ(test::CountContaining(test::LogOf(dir_.Path()), "发卡器 1 秒没有响应"), 2u);
}

}  // namespace
}  // namespace keydesk
