// Two front desks, each its own keydesk with its own simulated encoder, sharing room times and
// the journal on one PostgreSQL server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fault_support.h"
#include "postgres_server.h"
#include "program_platform.h"
#include "server_process.h"
#include "temp_dir.h"
#include "test_pg.h"

namespace keydesk {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// One front desk: a folder with its Option.ini, log and card file, and keydesk running on it.
class Desk {
 public:
  // The program is the one under test (the Windows build's under Wine, where its CTest runs
  // these tests) unless the desk is given another.
  Desk(const std::string& connection, std::map<std::string, std::string> options = {},
       std::map<std::string, std::string> environment = {},
       const std::map<std::string, std::string>& store = {},
       const test::ProgramPlatform& platform = test::PlatformUnderTest()) {
    const std::string folder = dir_.Path().string();
    test::WriteOption(folder, "Store", "Kind", "PostgreSQL");
    test::WriteOption(folder, "Store", "Connection", connection);
    for (const auto& [key, value] : store) test::WriteOption(folder, "Store", key, value);
    test::WriteOption(folder, "DoorlockOption", "UseNativeDoorlockDb", "1");
    test::WriteOption(folder, "DoorlockOption", "SaveDoorlockRecord", "1");
    for (const auto& [key, value] : options) {
      test::WriteOption(folder, "DoorlockOption", key, value);
    }
    environment["DREVAN_SIM_CARD"] = platform.path(dir_.File("SimCard.txt"));
    server_ = std::make_unique<test::ServerProcess>(folder, std::vector<std::string>{}, environment,
                                                    "DoorlockPortNo", platform.launch);
  }

  // The response to an IssueCard request; "none" when there was none.
  std::string Issue(const std::string& registerId, bool copy, const std::string& room = "08") {
    const test::Exchange exchange =
        test::Ask(server_->Port(), test::IssueCardRequest({.registerId = registerId,
                                                           .room = room,
                                                           .copy = copy ? "1" : "0",
                                                           .checkOutDate = test::kFutureCheckOut}));
    return exchange.response.value_or("none");
  }

  // A field of the card lying on this desk's encoder.
  std::string CardField(const std::string& name) const {
    for (const std::string& line :
         test::SplitLines(test::ReadFileBytes(dir_.File("SimCard.txt")))) {
      if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
    }
    return "";
  }

  std::vector<std::string> Log() const { return test::LogOf(dir_.Path()); }
  test::ServerProcess& Server() { return *server_; }

 private:
  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

bool Succeeded(const std::string& response) {
  return response.find("<ResultCode>200</ResultCode>") != std::string::npos;
}

// The journal by RegisterId: card number, copy flag and start time.
struct Row {
  std::string CardNo;
  bool IsCopy = false;
  std::string Start;
};

std::map<std::string, Row> Journal(const std::string& connection) {
  std::map<std::string, Row> rows;
  for (const auto& row :
       test::TestPg(connection)
           .Rows("select RegisterId, CardNo, IsCopy, LastCheckInTime from T_IssueCardRecord")) {
    rows[row[0]] = {row[1], row[2] == "1", row[3]};
  }
  return rows;
}

std::string RoomTime(const std::string& connection, const std::string& room = "010208") {
  return test::TestPg(connection)
      .Scalar("select LastCheckInTime from T_Room where RoomNo = $1", {room});
}

class SeveralDesksTest : public ::testing::Test {
 protected:
  const std::string connection_ = test::SharedServer().NewDatabase();
};

// Desk A runs the Linux program; desk B the program under test, so that under Wine a Linux
// desk and a Windows desk share the server.
TEST_F(SeveralDesksTest, ACopyAtOneDeskCarriesTheStartOfTheNormalCardFromAnother) {
  Desk deskA(connection_, {}, {}, {}, test::LinuxPlatform());
  // A copy wrongly given a fresh start here would begin ten hours earlier.
  Desk deskB(connection_, {{"DelayMinutes", "600"}});
  ASSERT_TRUE(Succeeded(deskA.Issue("A1", false)));
  ASSERT_TRUE(Succeeded(deskB.Issue("B1", true)));

  const auto journal = Journal(connection_);
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal.at("B1").Start, journal.at("A1").Start);
  EXPECT_TRUE(journal.at("B1").IsCopy);
  EXPECT_EQ(RoomTime(connection_), journal.at("A1").Start);
  EXPECT_EQ(deskB.CardField("GuestCard.ValidFrom"), deskA.CardField("GuestCard.ValidFrom"));
  EXPECT_EQ(test::CountOf(deskB.Log(), "新建房间010208"), 0u);
  EXPECT_EQ(test::CountOf(deskA.Log(), "新建房间010208"), 1u);
}

TEST_F(SeveralDesksTest, CardsForOneRoomFromBothDesksAtOnceLoseNoRoomTime) {
  // A slow encoder at one desk and a quick one at the other: a normal card begun later at the
  // quick desk is written first, and only the hold keeps its time from being overwritten by
  // the slow desk's older one.
  Desk slowDesk(connection_, {}, {{"DREVAN_SIM_DELAY_MS", "20"}});
  Desk quickDesk(connection_, {}, {{"DREVAN_SIM_DELAY_MS", "1"}});
  ASSERT_TRUE(Succeeded(slowDesk.Issue("First", false)));

  // What each desk asked and when: the normal cards answered before a copy was asked for.
  std::mutex mutex;
  std::vector<std::string> answeredNormals;
  std::map<std::string, size_t> normalsBeforeCopy;
  std::map<std::string, std::string> responses;
  std::atomic<bool> slowDone{false};
  auto issue = [&](Desk& desk, const std::string& id, bool copy) {
    if (copy) {
      std::lock_guard lock(mutex);
      normalsBeforeCopy[id] = answeredNormals.size();
    }
    const std::string response = desk.Issue(id, copy);
    std::lock_guard lock(mutex);
    responses[id] = response;
    if (!copy && Succeeded(response)) answeredNormals.push_back(id);
  };
  std::thread slow([&] {
    for (int i = 0; i < 6; ++i) issue(slowDesk, "S" + std::to_string(i), false);
    slowDone = true;
  });
  // Normal and copy cards at the quick desk for as long as the slow desk writes its cards.
  for (int i = 0; !slowDone; ++i) issue(quickDesk, "Q" + std::to_string(i), i % 2 == 1);
  slow.join();

  const auto journal = Journal(connection_);
  // Every answered card has its row, with the number the desk answered.
  for (const auto& [id, response] : responses) {
    ASSERT_TRUE(Succeeded(response)) << id << ": " << response;
    ASSERT_EQ(journal.count(id), 1u) << id;
    EXPECT_EQ(test::CardNoOf(response), std::stoll(journal.at(id).CardNo)) << id;
  }
  std::string latestNormal = journal.at("First").Start;
  for (const auto& [id, row] : journal) {
    if (!row.IsCopy) latestNormal = std::max(latestNormal, row.Start);
  }
  EXPECT_EQ(RoomTime(connection_), latestNormal);
  // A copy carries the start of a normal card no older than any normal card answered before
  // it was asked for.
  for (const auto& [copy, before] : normalsBeforeCopy) {
    std::string newestBefore = journal.at("First").Start;
    for (size_t i = 0; i < before; ++i) {
      newestBefore = std::max(newestBefore, journal.at(answeredNormals[i]).Start);
    }
    EXPECT_GE(journal.at(copy).Start, newestBefore) << copy;
    const bool fromANormalCard = std::any_of(journal.begin(), journal.end(), [&](const auto& row) {
      return !row.second.IsCopy && row.second.Start == journal.at(copy).Start;
    });
    EXPECT_TRUE(fromANormalCard) << copy;
  }
}

// No card is cut whose journal row cannot be written first: while the server is down the
// desk answers each IssueCard as failed, and cards and rows resume once it is back.
TEST_F(SeveralDesksTest, WhileTheServerIsDownNoCardIsCutAndCardsResumeAfter) {
  Desk desk(connection_);
  const test::PostgresServer* server = &test::SharedServer();
  std::atomic<int> answered{0};
  std::atomic<bool> stop{false};
  std::vector<std::string> responses;  // in the client's order, read after it ends
  std::thread client([&] {
    for (int i = 0; !stop; ++i) {
      responses.push_back(desk.Issue("C" + std::to_string(i), false, std::to_string(10 + i)));
      ++answered;
    }
  });
  auto awaitAnswers = [&](int count) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (answered < count && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  // Request k is sent once response k-1 has been counted: after a count of n, requests from
  // n+1 on are sent later still.
  awaitAnswers(3);
  const int answeredBeforeStop = answered;
  test::SharedServer().Stop();
  const int answeredAfterStop = answered;
  awaitAnswers(answeredAfterStop + 4);
  const int answeredBeforeStart = answered;
  test::SharedServer().Start();
  const int answeredAfterStart = answered;
  awaitAnswers(answeredAfterStart + 4);
  stop = true;
  client.join();
  ASSERT_TRUE(server->Running());

  const auto journal = Journal(connection_);
  for (int i = 0; i < static_cast<int>(responses.size()); ++i) {
    const std::string id = "C" + std::to_string(i);
    if (i < answeredBeforeStop || i > answeredAfterStart) {
      EXPECT_TRUE(Succeeded(responses[i])) << id << ": " << responses[i];
      EXPECT_EQ(journal.count(id), 1u) << id;
    } else if (i > answeredAfterStop && i < answeredBeforeStart) {
      // Asked for and answered while it was down.
      EXPECT_THAT(responses[i], HasSubstr("<ResultCode>500</ResultCode>")) << id;
      EXPECT_THAT(responses[i], HasSubstr("<CardNo>0</CardNo>")) << id;
      EXPECT_EQ(journal.count(id), 0u) << id;
    }
  }
  const int afterStart = answeredAfterStart + 1;
  EXPECT_EQ(RoomTime(connection_, "0102" + std::to_string(10 + afterStart)),
            journal.at("C" + std::to_string(afterStart)).Start);
  EXPECT_GE(test::CountContaining(desk.Log(), "port " + std::to_string(server->Port())), 2u);
  const std::string warnings = desk.Server().Stderr();
  EXPECT_THAT(warnings, HasSubstr("发卡记录无法写入数据库"));
  EXPECT_THAT(warnings, HasSubstr("写入已恢复"));
}

// A server named by a service file counts as on another machine: keydesk asks for
// sslmode=verify-full, so the server's certificate must come from the authority in root.crt
// and name the host, unless VerifyServer=0, which is warned of.
TEST_F(SeveralDesksTest, TheStoresServerMustProveItselfUnlessToldOtherwise) {
  test::TempDir dir;
  std::string service = "[hotel]\n" + connection_ + "\n";
  std::replace(service.begin(), service.end(), ' ', '\n');
  // verify-full checks the name the desk asked for against the certificate's.
  service.replace(service.find("host=127.0.0.1"), 14, "host=localhost");
  std::ofstream(dir.File("pg_service.conf")) << service;
  auto environment = [&](const std::string& authority) {
    const test::ProgramPlatform platform = test::PlatformUnderTest();
    return std::map<std::string, std::string>{
        {"PGSERVICEFILE", platform.path(dir.File("pg_service.conf"))},
        {"PGSSLROOTCERT", platform.path(authority)}};
  };
  const test::PostgresServer& server = test::SharedServer();

  Desk verified("service=hotel", {}, environment(server.Authority()));
  ASSERT_TRUE(Succeeded(verified.Issue("V1", false)));
  EXPECT_EQ(Journal(connection_).count("V1"), 1u);
  // Every connection of the desk (the room's hold and the journal's) speaks TLS.
  EXPECT_NE(test::TestPg(connection_)
                .Scalar("select count(*) from pg_stat_ssl join pg_stat_activity using (pid) "
                        "where application_name = 'keydesk' and ssl"),
            "0");
  EXPECT_EQ(test::TestPg(connection_)
                .Scalar("select count(*) from pg_stat_ssl join pg_stat_activity using (pid) "
                        "where application_name = 'keydesk' and not ssl"),
            "0");

  // A server whose certificate this desk cannot trust gets no journal row, so no card is
  // made, and the journal warning stands.
  Desk deceived("service=hotel", {}, environment(server.OtherAuthority()));
  EXPECT_FALSE(Succeeded(deceived.Issue("D1", false)));
  EXPECT_EQ(Journal(connection_).count("D1"), 0u);
  EXPECT_THAT(deceived.Server().Stderr(), HasSubstr("发卡记录无法写入数据库"));
  EXPECT_THAT(deceived.Server().Stderr(), Not(HasSubstr("没有验证记录库服务器的证书")));

  Desk unverified("service=hotel", {}, environment(server.OtherAuthority()),
                  {{"VerifyServer", "0"}});
  ASSERT_TRUE(Succeeded(unverified.Issue("U1", false)));
  EXPECT_EQ(Journal(connection_).count("U1"), 1u);
  EXPECT_THAT(unverified.Server().Stderr(), HasSubstr("没有验证记录库服务器的证书"));
  EXPECT_EQ(test::CountContaining(unverified.Log(), "VerifyServer=0"), 1u);
}

// The password never stands in Option.ini: libpq reads it from its password file or from
// PGPASSWORD, on either platform.
TEST_F(SeveralDesksTest, ThePasswordComesFromThePasswordFileOrTheEnvironment) {
  test::PostgresServer& server = test::SharedServer();
  test::TestPg admin(connection_);
  admin.Exec("create role keydesk_desk login password 'desk-secret'");
  admin.Exec("grant all on schema public to keydesk_desk");
  server.RequirePassword("keydesk_desk");
  const std::string database = connection_.substr(connection_.find("dbname="));
  const std::string asDesk = "host=127.0.0.1 port=" + std::to_string(server.Port()) + " " +
                             database.substr(0, database.find(' ')) + " user=keydesk_desk";
  test::TempDir dir;
  const std::string passwords = dir.File("pgpass.conf");
  std::ofstream(passwords) << "127.0.0.1:" << server.Port() << ":*:keydesk_desk:desk-secret\n";
  std::filesystem::permissions(passwords, std::filesystem::perms(0600));
  const test::ProgramPlatform platform = test::PlatformUnderTest();

  Desk byFile(asDesk, {}, {{"PGPASSFILE", platform.path(passwords)}});
  ASSERT_TRUE(Succeeded(byFile.Issue("F1", false)));
  Desk byEnvironment(asDesk, {}, {{"PGPASSWORD", "desk-secret"}});
  ASSERT_TRUE(Succeeded(byEnvironment.Issue("E1", false)));
  Desk without(asDesk, {}, {{"PGPASSFILE", platform.path(dir.File("none"))}});
  EXPECT_FALSE(Succeeded(without.Issue("N1", false)));

  const auto journal = Journal(connection_);
  EXPECT_EQ(journal.count("F1"), 1u);
  EXPECT_EQ(journal.count("E1"), 1u);
  EXPECT_EQ(journal.count("N1"), 0u);
  EXPECT_GE(test::CountContaining(without.Log(), "password"), 1u);
}

// The desk starts and serves, but cuts no card it cannot journal.
TEST_F(SeveralDesksTest, ADeskStartsWithNoServerToReachAndCutsNoCard) {
  const uint16_t nobody = test::FreePort();
  Desk desk("host=127.0.0.1 port=" + std::to_string(nobody) + " dbname=hotel user=desk");
  const std::string response = desk.Issue("N1", true);
  EXPECT_THAT(response, HasSubstr("<ResultCode>500</ResultCode>"));
  EXPECT_THAT(response, HasSubstr("<CardNo>0</CardNo>"));
  // At start-up, then the copy's lookup and its journal row; no room is added for no card.
  EXPECT_EQ(test::CountContaining(desk.Log(), "port " + std::to_string(nobody)), 3u);
}

}  // namespace
}  // namespace keydesk
