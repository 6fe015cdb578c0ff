// keydesk --migrate-store and --init-db with the PostgreSQL store, and the choice of store in
// Option.ini, run as the real program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "postgres_server.h"
#include "program_platform.h"
#include "server_process.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "test_db.h"
#include "test_pg.h"

namespace keydesk {
namespace {

using test::MakeDateTime;
using ::testing::HasSubstr;

using Table = std::vector<std::vector<std::string>>;

constexpr const char* kRooms = "select RoomNo, LastCheckInTime from T_Room order by RoomNo";
constexpr const char* kJournalColumns =
    "select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, CheckInTime, CheckOutTime, "
    "IsCopy, GuestName, OpratingTime from T_IssueCardRecord order by ";

// SQLite and the test's server connection show NULL differently.
Table WithNulls(Table table, const char* null) {
  for (auto& row : table) {
    for (auto& value : row) {
      if (value == null) value = "NULL";
    }
  }
  return table;
}

class StoreMigrationTest : public ::testing::Test {
 protected:
  StoreMigrationTest() {
    test::WriteOption(Folder(), "Store", "Kind", "PostgreSQL");
    test::WriteOption(Folder(), "Store", "Connection", connection_);
  }

  std::string Folder() const { return dir_.Path().string(); }

  // The program under test (under Wine for a Windows build), run to its end on the folder.
  test::ProgramResult Run(const std::string& command) const {
    test::ProgramResult result = test::RunProgram(
        {command, "--dir", platform_.launch.folderPrefix + Folder()}, {}, platform_.launch);
    std::erase(result.out, '\r');
    std::erase(result.err, '\r');
    return result;
  }
  // A file of the folder as the program names it in its messages.
  std::string ProgramFile(const std::string& name) const {
    return platform_.launch.folderPrefix.empty()
               ? dir_.File(name)
               : platform_.launch.folderPrefix + Folder() + "\\" + name;
  }

  // Client.mdb as a desk of its own leaves it, with rows that are hard to copy exactly: NULLs,
  // Chinese texts, and two rows alike in every column.
  void MakeClientMdb() {
    std::string error;
    ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) << error;
    TSysOption options(dir_.File("Option.ini"));
    test::FixedClock clock(MakeDateTime(2008, 10, 15));
    TLogFile log(dir_.File("20081015.LOG"), options, clock);
    TDoorlockRecordManager store(dir_.File("Client.mdb"), log);
    const DateTime start = MakeDateTime(2008, 10, 15, 13, 53, 9).AddMilliseconds(250);
    store.SetLastCheckInTime("010208", start);
    store.SetLastCheckInTime("010209", start.AddHours(1));
    store.SetLastCheckInTime(AnsiFromUtf8("东楼01"), start.AddHours(2));
    for (int i = 0; i < 4; ++i) {
      store.AddIssueCardRecord("R" + std::to_string(i), std::to_string(100 + i), "010208", 1, start,
                               start, start.AddDays(2), i % 2 == 1, AnsiFromUtf8("王先生"),
                               start.AddMinutes(i));
    }
    test::TestDb file(dir_.File("Client.mdb"));
    file.Exec(
        "insert into T_IssueCardRecord(CardNo, RoomNo, CardType, IsCopy) "
        "values ('0', '010209', 1, 0);"
        "insert into T_IssueCardRecord select * from T_IssueCardRecord where CardNo = '101';");
  }

  test::ProgramResult Migrate() const { return Run("--migrate-store"); }

  std::string Copied(int rooms, int roomsInFile, int rows, int rowsInFile) const {
    return "keydesk: copied " + std::to_string(rooms) + " of " + std::to_string(roomsInFile) +
           " rooms and " + std::to_string(rows) + " of " + std::to_string(rowsInFile) +
           " journal rows from " + ProgramFile("Client.mdb") +
           " to PostgreSQL host=127.0.0.1 port=" + std::to_string(test::SharedServer().Port()) +
           " dbname=" + Database() + " user=postgres\n";
  }

  std::string Database() const {
    const size_t at = connection_.find("dbname=") + 7;
    return connection_.substr(at, connection_.find(' ', at) - at);
  }

  Table FileRooms() {
    return WithNulls(test::TestDb(dir_.File("Client.mdb")).Rows(kRooms), test::kNull);
  }
  Table FileJournal() {
    return WithNulls(
        test::TestDb(dir_.File("Client.mdb")).Rows(std::string(kJournalColumns) + "rowid"),
        test::kNull);
  }
  Table ServerRooms() { return WithNulls(test::TestPg(connection_).Rows(kRooms), test::kPgNull); }
  Table ServerJournal() {
    return WithNulls(test::TestPg(connection_).Rows(std::string(kJournalColumns) + "Id"),
                     test::kPgNull);
  }

  const test::ProgramPlatform platform_ = test::PlatformUnderTest();
  test::TempDir dir_;
  const std::string connection_ = test::SharedServer().NewDatabase();
};

TEST_F(StoreMigrationTest, TheCopyIsExactAndASecondRunAddsNothing) {
  MakeClientMdb();
  auto first = Migrate();
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, Copied(3, 3, 6, 6));
  EXPECT_EQ(ServerRooms(), FileRooms());
  EXPECT_EQ(ServerJournal(), FileJournal());
  EXPECT_EQ(ServerRooms()[0], (std::vector<std::string>{"010208", "2008-10-15 13:53:09.250"}));

  auto second = Migrate();
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, Copied(0, 3, 0, 6));
  EXPECT_EQ(ServerJournal(), FileJournal());

  // The desk went on working before it was switched over: only the new row is added.
  test::TestDb(dir_.File("Client.mdb"))
      .Exec(
          "insert into T_IssueCardRecord select * from T_IssueCardRecord where CardNo = '101' "
          "limit 1");
  auto third = Migrate();
  ASSERT_EQ(third.status, 0) << third.err;
  EXPECT_EQ(third.out, Copied(0, 3, 1, 7));
  EXPECT_EQ(ServerJournal(), FileJournal());
}

TEST_F(StoreMigrationTest, ARoomAlreadyOnTheServerKeepsTheLaterTime) {
  const auto tables = Run("--init-db");
  ASSERT_EQ(tables.status, 0) << tables.err;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Client.mdb")));  // the server's, not a file
  MakeClientMdb();
  test::TestPg server(connection_);
  server.Exec(
      "insert into T_Room values ('010208', '2009-01-01 00:00:00.000'), "
      "('010209', '2001-01-01 00:00:00.000')");
  auto result = Migrate();
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, Copied(2, 3, 6, 6));  // 010209 takes the file's time, 东楼01 is new
  EXPECT_EQ(server.Scalar("select LastCheckInTime from T_Room where RoomNo = '010208'"),
            "2009-01-01 00:00:00.000");
  EXPECT_EQ(server.Scalar("select LastCheckInTime from T_Room where RoomNo = '010209'"),
            "2008-10-15 14:53:09.250");
}

TEST_F(StoreMigrationTest, WithoutClientMdbOrAPostgreSqlStoreNothingIsCopied) {
  const auto missing = Migrate();
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("cannot copy " + ProgramFile("Client.mdb")));

  MakeClientMdb();
  test::WriteOption(Folder(), "Store", "Kind", "SQLite");
  const auto notConfigured = Migrate();
  EXPECT_EQ(notConfigured.status, 1);
  EXPECT_THAT(notConfigured.err, HasSubstr("set [Store] Kind=PostgreSQL"));
  EXPECT_EQ(
      test::TestPg(connection_).Scalar("select count(*) from pg_tables where tablename = 't_room'"),
      "0");
}

TEST_F(StoreMigrationTest, AStoreSettingThatCannotBeTakenStopsTheStart) {
  test::WriteOption(Folder(), "Store", "Kind", "Access");
  const auto result = Run("--headless");
  EXPECT_EQ(result.status, 1);
  EXPECT_THAT(result.err, HasSubstr("[Store] Kind=Access"));

  test::WriteOption(Folder(), "Store", "Kind", "PostgreSQL");
  test::WriteOption(Folder(), "Store", "Connection", connection_ + " password=secret");
  const auto password = Run("--headless");
  EXPECT_EQ(password.status, 1);
  EXPECT_THAT(password.err, HasSubstr("holds a password, which never goes into Option.ini"));
  EXPECT_EQ(Run("--init-db").status, 1);

  test::WriteOption(Folder(), "Store", "Connection", connection_);
  test::WriteOption(Folder(), "Store", "VerifyServer", "no");
  const auto unreadable = Run("--headless");
  EXPECT_EQ(unreadable.status, 1);
  EXPECT_THAT(unreadable.err, HasSubstr("[Store] VerifyServer=no: 1 verifies"));
  // The server's keys do not concern a desk that keeps Client.mdb.
  test::WriteOption(Folder(), "Store", "Kind", "SQLite");
  EXPECT_EQ(Run("--init-db").status, 0);
}

}  // namespace
}  // namespace keydesk
