// The server killed outright (SIGKILL), thirty times, while clients issue cards with
// journaling on. After a restart the database must be intact; every card whose response
// reached a client has its row, and so has every card that reached the encoder at all (the
// row is written, and named with the card's number, before the card is); rows the kills left
// in progress say that nobody knows whether their card was finished.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "fault_support.h"
#include "server_process.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

constexpr int kClients = 4;
constexpr int kKills = 30;

// The card numbers that the encoder's trace shows written: Write_Guest_Card's fifth word.
std::set<int64_t> CardsOnTheEncoder(const std::string& trace) {
  std::set<int64_t> cards;
  for (const std::string& line : test::SplitLines(trace)) {
    std::istringstream words(line);
    std::vector<std::string> word;
    for (std::string w; std::getline(words, w, ' ');) word.push_back(w);
    if (word.size() > 5 && word[0] == "Write_Guest_Card") cards.insert(std::stoll(word[5]));
  }
  return cards;
}

TEST(CrashSafetyTest, KilledServersLeaveNoCardWithoutItsRowAndAnIntactDatabase) {
  test::TempDir dir;
  const auto created = test::RunProgram({"--init-db", "--dir", dir.Path().string()});
  ASSERT_EQ(created.status, 0) << created.err;
  test::WriteOption(dir.Path().string(), "DoorlockOption", "SaveDoorlockRecord", "1");
  test::WriteOption(dir.Path().string(), "DoorlockOption", "UseNativeDoorlockDb", "1");
  const std::map<std::string, std::string> environment = {
      {"DREVAN_SIM_CARD", dir.File("SimCard.txt")}, {"DREVAN_SIM_TRACE", dir.File("trace.txt")}};

  std::mutex answeredMutex;
  std::set<int64_t> answered;  // guarded by answeredMutex
  for (int kill = 0; kill < kKills; ++kill) {
    test::ServerProcess server(dir.Path().string(), {}, environment);
    std::atomic<bool> stop{false};
    std::atomic<int> answeredNow{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
      clients.emplace_back([&, i] {
        // Normal and copy cards by turns, so that room times are written as well as rows.
        for (int n = 0; !stop; ++n) {
          try {
            const test::Exchange exchange = test::Ask(
                server.Port(), test::IssueCardRequest({.room = std::to_string(10 + i),
                                                       .copy = n % 2 == 0 ? "False" : "True",
                                                       .checkOutDate = test::kFutureCheckOut}));
            if (!exchange.response) continue;
            const auto cardNo = test::CardNoOf(*exchange.response);
            if (!cardNo) {
              ADD_FAILURE() << *exchange.response;
              continue;
            }
            std::lock_guard lock(answeredMutex);
            answered.insert(*cardNo);
            ++answeredNow;
          } catch (const std::exception&) {
            // Refused once the server is gone.
          }
        }
      });
    }
    // Killed at a moment that moves from round to round; bounded in case none gets through.
    const int before = 1 + kill % 7;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (answeredNow < before && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(300 * (kill % 11)));
    EXPECT_EQ(server.Stop(SIGKILL), 128 + SIGKILL);
    stop = true;
    for (auto& client : clients) client.join();
    EXPECT_GE(answeredNow, before);
  }

  // The restarted server opens the file the killed ones left, marks what they left in
  // progress, and journals on.
  {
    test::ServerProcess server(dir.Path().string(), {}, environment);
    const test::Exchange after =
        test::Ask(server.Port(),
                  test::IssueCardRequest({.room = "99", .checkOutDate = test::kFutureCheckOut}));
    ASSERT_TRUE(after.response.has_value());
    const auto cardNo = test::CardNoOf(*after.response);
    ASSERT_TRUE(cardNo.has_value());
    EXPECT_EQ(*after.response, test::DoorResponse("200", "发卡成功", *cardNo));
    answered.insert(*cardNo);
    EXPECT_EQ(server.Stop(SIGTERM), 0);
  }

  test::TestDb db(dir.File("Client.mdb"));
  EXPECT_EQ(db.Scalar("PRAGMA integrity_check"), "ok");
  std::set<int64_t> journaled;
  for (const auto& row : db.Rows("select CardNo from T_IssueCardRecord")) {
    journaled.insert(std::stoll(row[0]));
  }
  std::vector<int64_t> missing;
  std::set_difference(answered.begin(), answered.end(), journaled.begin(), journaled.end(),
                      std::back_inserter(missing));
  EXPECT_THAT(missing, ::testing::IsEmpty()) << "answered cards without a journal row";
  const std::set<int64_t> written = CardsOnTheEncoder(test::ReadFileBytes(dir.File("trace.txt")));
  missing.clear();
  std::set_difference(written.begin(), written.end(), journaled.begin(), journaled.end(),
                      std::back_inserter(missing));
  EXPECT_THAT(missing, ::testing::IsEmpty()) << "cards on the encoder without a journal row";
  EXPECT_GE(written.size(), answered.size());
  EXPECT_EQ(db.Scalar("select count(*) from T_IssueCardRecord where IssueResult = '写卡中'"), "0");
  // One row per room, never a duplicate, whatever the kills interrupted.
  EXPECT_EQ(db.Scalar("select count(*) from T_Room"),
            db.Scalar("select count(distinct RoomNo) from T_Room"));
}

}  // namespace
}  // namespace keydesk
