#include "store/doorlock_record_manager.h"
#include "store/issue_result.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/log_file.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "room_cards_rows.h"
#include "sim_environment.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using test::FixedClock;
using test::kNull;
using test::MakeDateTime;
using test::ReadFileBytes;
using test::TestDb;
using test::WriteFileBytes;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::string_view kStamp = "2008-10-15 14:03:09 ";

DateTime WithMilliseconds(DateTime value, int milliseconds) {
  return value.AddMilliseconds(milliseconds);
}

std::string NewRoomLine(const std::string& roomNo) { return AnsiFromUtf8("新建房间") + roomNo; }

class DoorlockRecordManagerTest : public ::testing::Test {
 protected:
  // Messages of the log file's lines, each checked for its time stamp.
  std::vector<std::string> LogMessages() const {
    std::vector<std::string> messages;
    const std::string content = ReadFileBytes(log_.FileName());
    size_t at = 0;
    while (at < content.size()) {
      const size_t end = content.find("\r\n", at);
      EXPECT_NE(end, std::string::npos) << "line without CR LF";
      if (end == std::string::npos) break;
      const std::string line = content.substr(at, end - at);
      EXPECT_EQ(line.substr(0, kStamp.size()), kStamp) << line;
      messages.push_back(line.substr(std::min(line.size(), kStamp.size())));
      at = end + 2;
    }
    return messages;
  }

  void CreateDb() {
    std::string error;
    ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase(dbFile_, error)) << error;
  }

  // The schema as an older tool would leave it: rollback journal, no index.
  void CreatePlainDb() {
    TestDb db(dbFile_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.Exec(
        "create table T_Room(RoomNo TEXT, LastCheckInTime TEXT);"
        "create table T_IssueCardRecord(RegisterId TEXT, CardNo TEXT, RoomNo TEXT, "
        "CardType INTEGER, LastCheckInTime TEXT, CheckInTime TEXT, CheckOutTime TEXT, "
        "IsCopy INTEGER, GuestName TEXT, OpratingTime TEXT)");
  }

  test::TempDir dir_;
  TSysOption options_{dir_.File("Option.ini")};
  FixedClock clock_{MakeDateTime(2008, 10, 15, 14, 3, 9)};
  TLogFile log_{dir_.File("20081015.LOG"), options_, clock_};
  const std::string dbFile_ = dir_.File("Client.mdb");
};

// --- Room times: the copy-card and normal-card flows --------------------------------------

TEST_F(DoorlockRecordManagerTest, CopyCardForNewRoomFindsNoTimeAndAddsTheRoom) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  ASSERT_TRUE(store.IsOpen());

  EXPECT_TRUE(store.GetLastCheckInTime("0102305").IsZero());
  const DateTime start = MakeDateTime(2008, 10, 15, 13, 53, 9);
  store.AddRoom("0102305", start);

  EXPECT_EQ(store.GetLastCheckInTime("0102305"), start);
  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select RoomNo, LastCheckInTime from T_Room"),
              ElementsAre(ElementsAre("0102305", "2008-10-15 13:53:09.000")));
  EXPECT_THAT(LogMessages(), ElementsAre(NewRoomLine("0102305")));
}

TEST_F(DoorlockRecordManagerTest, SetLastCheckInTimeForMissingRoomAddsItAndLogs) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();

  const DateTime start = MakeDateTime(2008, 10, 15, 14, 0, 0);
  store.SetLastCheckInTime("0203101", start);

  EXPECT_EQ(store.GetLastCheckInTime("0203101"), start);
  TestDb db(dbFile_);
  EXPECT_EQ(db.Scalar("select count(*) from T_Room"), "1");
  EXPECT_THAT(LogMessages(), ElementsAre(NewRoomLine("0203101")));
}

TEST_F(DoorlockRecordManagerTest, SetLastCheckInTimeForKnownRoomReplacesTimeSilently) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  store.AddRoom("0102305", MakeDateTime(2008, 10, 1, 12, 0, 0));
  store.AddRoom("0102306", MakeDateTime(2008, 10, 2, 12, 0, 0));

  store.SetLastCheckInTime("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));

  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select RoomNo, LastCheckInTime from T_Room order by RoomNo"),
              ElementsAre(ElementsAre("0102305", "2008-10-15 14:00:00.000"),
                          ElementsAre("0102306", "2008-10-02 12:00:00.000")));
  EXPECT_THAT(LogMessages(), ElementsAre(NewRoomLine("0102305"), NewRoomLine("0102306")));
}

TEST_F(DoorlockRecordManagerTest, DuplicateAddRoomLogsErrorAndKeepsTheRow) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  const DateTime first = MakeDateTime(2008, 10, 1, 12, 0, 0);
  store.AddRoom("0102305", first);

  store.AddRoom("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));

  EXPECT_EQ(store.GetLastCheckInTime("0102305"), first);
  TestDb db(dbFile_);
  EXPECT_EQ(db.Scalar("select count(*) from T_Room"), "1");
  EXPECT_THAT(LogMessages(),
              ElementsAre(NewRoomLine("0102305"), HasSubstr("UNIQUE constraint failed")));
}

TEST_F(DoorlockRecordManagerTest, FailedUpdateIsLoggedAndNoInsertIsTried) {
  // Without the unique index a second row could slip in, so only the store's own rule
  // keeps the insert from running after a failed update.
  CreatePlainDb();
  {
    TestDb db(dbFile_);
    db.Exec(
        "insert into T_Room values('0102305', '2008-10-01 12:00:00.000');"
        "create trigger NoUpdate before update on T_Room "
        "begin select raise(abort, 'update refused'); end");
  }
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();

  store.SetLastCheckInTime("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));

  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select RoomNo, LastCheckInTime from T_Room"),
              ElementsAre(ElementsAre("0102305", "2008-10-01 12:00:00.000")));
  EXPECT_THAT(LogMessages(),
              ElementsAre(HasSubstr(AnsiFromUtf8("发卡记录表已升级")), "update refused"));
}

TEST_F(DoorlockRecordManagerTest, NullOrUnreadableTimeReadsAsZero) {
  CreateDb();
  {
    TestDb db(dbFile_);
    db.Exec(
        "insert into T_Room values('A', NULL);"
        "insert into T_Room values('B', 'not a time');"
        "insert into T_Room values('C', 39736.5);"
        "insert into T_Room values('D', '2008-10-15 14:00:00.250')");
  }
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();

  EXPECT_TRUE(store.GetLastCheckInTime("A").IsZero());
  EXPECT_TRUE(store.GetLastCheckInTime("B").IsZero());
  EXPECT_TRUE(store.GetLastCheckInTime("C").IsZero());
  EXPECT_EQ(store.GetLastCheckInTime("D"),
            WithMilliseconds(MakeDateTime(2008, 10, 15, 14, 0, 0), 250));
  EXPECT_THAT(LogMessages(), IsEmpty());
}

// --- Room keys and texts are data, never SQL ----------------------------------------------

TEST_F(DoorlockRecordManagerTest, RoomKeyWithApostropheRoundTrips) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  const DateTime first = MakeDateTime(2008, 10, 1, 12, 0, 0);
  const DateTime second = MakeDateTime(2008, 10, 15, 14, 0, 0);

  store.AddRoom("01'02", first);
  EXPECT_EQ(store.GetLastCheckInTime("01'02"), first);
  store.SetLastCheckInTime("01'02", second);
  EXPECT_EQ(store.GetLastCheckInTime("01'02"), second);

  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select RoomNo, LastCheckInTime from T_Room"),
              ElementsAre(ElementsAre("01'02", "2008-10-15 14:00:00.000")));
  EXPECT_THAT(LogMessages(), ElementsAre(NewRoomLine("01'02")));
}

TEST_F(DoorlockRecordManagerTest, RoomKeyCarryingSqlIsPlainText) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  store.AddRoom("A", MakeDateTime(2008, 10, 1, 12, 0, 0));
  store.AddRoom("B", MakeDateTime(2008, 10, 2, 12, 0, 0));
  const std::string hostile = "' or 1=1 --";

  EXPECT_TRUE(store.GetLastCheckInTime(hostile).IsZero());
  store.SetLastCheckInTime(hostile, MakeDateTime(2008, 10, 15, 14, 0, 0));
  store.AddIssueCardRecord("'); drop table T_Room; --", "1", hostile, 1, DateTime(), DateTime(),
                           DateTime(), false, "x'y", DateTime());

  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select RoomNo, LastCheckInTime from T_Room order by rowid"),
              ElementsAre(ElementsAre("A", "2008-10-01 12:00:00.000"),
                          ElementsAre("B", "2008-10-02 12:00:00.000"),
                          ElementsAre(hostile, "2008-10-15 14:00:00.000")));
  EXPECT_THAT(db.Rows("select RegisterId, RoomNo, GuestName from T_IssueCardRecord"),
              ElementsAre(ElementsAre("'); drop table T_Room; --", hostile, "x'y")));
  EXPECT_EQ(store.GetLastCheckInTime(hostile), MakeDateTime(2008, 10, 15, 14, 0, 0));
  EXPECT_THAT(LogMessages(), ElementsAre(NewRoomLine("A"), NewRoomLine("B"), NewRoomLine(hostile)));
}

TEST_F(DoorlockRecordManagerTest, ChineseTextsAreStoredAsUtf8) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  const std::string roomNo = AnsiFromUtf8("东楼0305");
  const std::string guestName = AnsiFromUtf8("张三");
  ASSERT_EQ(guestName, "\xD5\xC5\xC8\xFD");  // the GBK bytes that arrive

  store.AddRoom(roomNo, MakeDateTime(2008, 10, 1, 12, 0, 0));
  store.AddIssueCardRecord("R1", "12", roomNo, 1, DateTime(), DateTime(), DateTime(), false,
                           guestName, DateTime());

  EXPECT_EQ(store.GetLastCheckInTime(roomNo), MakeDateTime(2008, 10, 1, 12, 0, 0));
  TestDb db(dbFile_);
  EXPECT_EQ(db.Scalar("select RoomNo from T_Room"), "东楼0305");
  EXPECT_THAT(db.Rows("select RoomNo, GuestName, hex(GuestName) from T_IssueCardRecord"),
              ElementsAre(ElementsAre("东楼0305", "张三", "E5BCA0E4B889")));
  // The log keeps code page 936, key included.
  EXPECT_THAT(LogMessages(), ElementsAre(NewRoomLine(roomNo)));
}

// --- Date-times and journal rows ------------------------------------------------------------

TEST_F(DoorlockRecordManagerTest, DateTimesRoundTripToTheMillisecond) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  const std::vector<DateTime> values = {
      WithMilliseconds(MakeDateTime(2008, 8, 18, 13, 50, 0), 123),
      WithMilliseconds(MakeDateTime(1999, 12, 31, 23, 59, 59), 999),
      WithMilliseconds(MakeDateTime(2038, 1, 19, 3, 14, 7), 1),
      MakeDateTime(2100, 2, 28),
  };
  for (size_t i = 0; i < values.size(); ++i) {
    store.AddRoom("R" + std::to_string(i), values[i]);
  }

  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(store.GetLastCheckInTime("R" + std::to_string(i)), values[i]) << i;
  }
  TestDb db(dbFile_);
  EXPECT_THAT(
      db.Rows("select LastCheckInTime from T_Room order by RoomNo"),
      ElementsAre(ElementsAre("2008-08-18 13:50:00.123"), ElementsAre("1999-12-31 23:59:59.999"),
                  ElementsAre("2038-01-19 03:14:07.001"), ElementsAre("2100-02-28 00:00:00.000")));
}

TEST_F(DoorlockRecordManagerTest, JournalRowsCarryEveryValue) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  const DateTime start = WithMilliseconds(MakeDateTime(2008, 8, 18, 13, 50, 0), 5);
  const DateTime checkIn = MakeDateTime(2008, 8, 18, 13, 50, 0);
  const DateTime checkOut = MakeDateTime(2008, 8, 20, 12, 30, 0);
  const DateTime now = WithMilliseconds(MakeDateTime(2008, 8, 18, 14, 0, 1), 789);

  store.AddIssueCardRecord("REG001", "0", "0102305", 1, start, checkIn, checkOut, true,
                           AnsiFromUtf8("李四"), now);
  store.AddIssueCardRecord("", "9223372036854775807", "0102306", 1, checkIn, checkIn, checkOut,
                           false, "Test", now);

  TestDb db(dbFile_);
  EXPECT_THAT(
      db.Rows("select RegisterId, CardNo, typeof(CardNo), RoomNo, CardType, typeof(CardType), "
              "LastCheckInTime, CheckInTime, CheckOutTime, IsCopy, typeof(IsCopy), GuestName, "
              "OpratingTime from T_IssueCardRecord order by rowid"),
      ElementsAre(
          ElementsAre("REG001", "0", "text", "0102305", "1", "integer", "2008-08-18 13:50:00.005",
                      "2008-08-18 13:50:00.000", "2008-08-20 12:30:00.000", "1", "integer", "李四",
                      "2008-08-18 14:00:01.789"),
          ElementsAre("", "9223372036854775807", "text", "0102306", "1", "integer",
                      "2008-08-18 13:50:00.000", "2008-08-18 13:50:00.000",
                      "2008-08-20 12:30:00.000", "0", "integer", "Test",
                      "2008-08-18 14:00:01.789")));
  EXPECT_EQ(db.Scalar("select typeof(RegisterId) from T_IssueCardRecord where RoomNo='0102306'"),
            "text");
  EXPECT_THAT(LogMessages(), IsEmpty());
}

TEST_F(DoorlockRecordManagerTest, ACardIsFoundWithWhetherALaterNormalCardReplacedIt) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  const DateTime start = MakeDateTime(2008, 8, 18, 14, 0, 0);
  auto add = [&](const char* cardNo, bool isCopy, DateTime at) {
    store.AddIssueCardRecord("", cardNo, "010208", 1, start, start, start.AddDays(2), isCopy,
                             AnsiFromUtf8("王先生"), at, AnsiFromUtf8("成功"));
  };
  std::optional<TIssuedCard> card;
  ASSERT_TRUE(store.FindIssuedCard("17", card));
  EXPECT_FALSE(card.has_value());

  add("17", false, start);
  add("18", true, start.AddMinutes(1));
  ASSERT_TRUE(store.FindIssuedCard("17", card));
  ASSERT_TRUE(card.has_value());
  EXPECT_EQ(card->RoomNo, "010208");
  EXPECT_FALSE(card->IsCopy);
  EXPECT_FALSE(card->Superseded);  // a copy does not replace it

  add("19", false, start.AddMinutes(2));
  ASSERT_TRUE(store.FindIssuedCard("18", card));
  EXPECT_TRUE(card->IsCopy);
  EXPECT_TRUE(card->Superseded);
  ASSERT_TRUE(store.FindIssuedCard("19", card));
  EXPECT_FALSE(card->Superseded);
}

// The room view's cards: valid now by the start written to the card, from rows that may
// have made a card, copies included, each marked when a later normal card shut it out.
TEST_F(DoorlockRecordManagerTest, TheCardsThatOpenARoomNowAreReadWithTheOnesShutOut) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  const DateTime now = MakeDateTime(2026, 12, 8, 12, 0, 0);
  test::AddRoomCardRows(store, now);
  test::ExpectRoomCards(store.ReadRoomCards("020317", now));
  // Once every card has expired there is none.
  EXPECT_TRUE(store.ReadRoomCards("020317", now.AddDays(3)).Cards.empty());
  EXPECT_THAT(LogMessages(), IsEmpty());
}

// --- An unreachable or unusable database ----------------------------------------------------

TEST_F(DoorlockRecordManagerTest, MissingFileIsReportedByEveryOperationAndNeverCreated) {
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  EXPECT_FALSE(store.IsOpen());

  EXPECT_TRUE(store.GetLastCheckInTime("0102305").IsZero());
  store.SetLastCheckInTime("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));
  store.AddRoom("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));
  store.AddIssueCardRecord("R", "0", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());

  const auto openError = AllOf(HasSubstr("unable to open database file"), HasSubstr(dbFile_));
  EXPECT_THAT(LogMessages(), ElementsAre(openError, openError, openError, openError, openError));
  EXPECT_FALSE(store.IsOpen());
  EXPECT_FALSE(std::filesystem::exists(dbFile_));
  EXPECT_FALSE(std::filesystem::exists(dbFile_ + "-wal"));
}

TEST_F(DoorlockRecordManagerTest, FileThatAppearsLaterIsUsedByTheNextOperation) {
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  ASSERT_FALSE(store.IsOpen());

  CreateDb();
  store.AddRoom("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));

  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(store.GetLastCheckInTime("0102305"), MakeDateTime(2008, 10, 15, 14, 0, 0));
  EXPECT_THAT(LogMessages(),
              ElementsAre(HasSubstr("unable to open database file"), NewRoomLine("0102305")));
}

#if defined(_WIN32)
// Windows lets no one delete an open database file, so the store's file cannot move away
// under it and every row lands in the file that has the name.
TEST_F(DoorlockRecordManagerTest, FileCannotBeDeletedWhileOpen) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  store.AddRoom("0102305", MakeDateTime(2008, 10, 1, 12, 0, 0));
  std::error_code error;
  EXPECT_FALSE(std::filesystem::remove(dbFile_, error));
  EXPECT_TRUE(error);

  store.AddIssueCardRecord("R1", "1", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());
  store.AddIssueCardRecord("R2", "2", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());

  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select RegisterId from T_IssueCardRecord order by RegisterId"),
              ElementsAre(ElementsAre("R1"), ElementsAre("R2")));
  EXPECT_THAT(LogMessages(), ElementsAre(NewRoomLine("0102305")));
}
#else
TEST_F(DoorlockRecordManagerTest, FileDeletedWhileOpenIsReportedNotWrittenUnseen) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  store.AddRoom("0102305", MakeDateTime(2008, 10, 1, 12, 0, 0));
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(dbFile_ + suffix);

  store.AddIssueCardRecord("R1", "1", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());
  EXPECT_FALSE(std::filesystem::exists(dbFile_));
  CreateDb();
  store.AddIssueCardRecord("R2", "2", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());

  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select RegisterId from T_IssueCardRecord"), ElementsAre(ElementsAre("R2")));
  EXPECT_THAT(LogMessages(),
              ElementsAre(NewRoomLine("0102305"), HasSubstr("unable to open database file")));
}
#endif

TEST_F(DoorlockRecordManagerTest, CorruptFileIsReportedAndLeftAlone) {
  std::string garbage(8192, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 131 + 7) % 251);
  WriteFileBytes(dbFile_, garbage);
  TDoorlockRecordManager store(dbFile_, log_);

  store.Open();
  EXPECT_TRUE(store.GetLastCheckInTime("0102305").IsZero());
  store.SetLastCheckInTime("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));
  store.AddRoom("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));
  store.AddIssueCardRecord("R", "0", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());

  const auto notADatabase = HasSubstr("file is not a database");
  EXPECT_THAT(LogMessages(),
              ElementsAre(notADatabase, notADatabase, notADatabase, notADatabase, notADatabase));
  EXPECT_EQ(ReadFileBytes(dbFile_), garbage);
}

TEST_F(DoorlockRecordManagerTest, MissingTablesAreReportedByEveryOperation) {
  {
    TestDb db(dbFile_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.Exec("create table Other(x)");
  }
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  EXPECT_TRUE(store.IsOpen());

  EXPECT_TRUE(store.GetLastCheckInTime("0102305").IsZero());
  store.SetLastCheckInTime("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));
  store.AddRoom("0102305", MakeDateTime(2008, 10, 15, 14, 0, 0));
  store.AddIssueCardRecord("R", "0", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());

  EXPECT_THAT(LogMessages(),
              ElementsAre(HasSubstr("no such table: T_Room"), HasSubstr("no such table: T_Room"),
                          HasSubstr("no such table: T_Room"),
                          HasSubstr("no such table: T_IssueCardRecord")));
}

TEST_F(DoorlockRecordManagerTest, BrieflyLockedFileIsWaitedFor) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  TestDb other(dbFile_);
  other.Exec("begin immediate");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other.Exec("commit");
  });

  store.AddIssueCardRecord("R", "1", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());
  release.join();

  EXPECT_EQ(other.Scalar("select count(*) from T_IssueCardRecord"), "1");
  EXPECT_THAT(LogMessages(), IsEmpty());
}

TEST_F(DoorlockRecordManagerTest, FileLockedTooLongIsReportedAndLaterUsable) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  TestDb other(dbFile_);
  other.Exec("begin immediate");

  store.AddIssueCardRecord("R1", "1", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());
  other.Exec("commit");
  store.AddIssueCardRecord("R2", "2", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());

  EXPECT_THAT(other.Rows("select RegisterId from T_IssueCardRecord"),
              ElementsAre(ElementsAre("R2")));
  EXPECT_THAT(LogMessages(), ElementsAre(HasSubstr("database is locked")));
}

// --- Durability and concurrency -------------------------------------------------------------

TEST_F(DoorlockRecordManagerTest, OpenSwitchesTheFileToWriteAheadLogging) {
  CreatePlainDb();
  {
    TestDb before(dbFile_);
    ASSERT_EQ(before.Scalar("pragma journal_mode"), "delete");
  }
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();

  TestDb db(dbFile_);
  EXPECT_EQ(db.Scalar("pragma journal_mode"), "wal");
  EXPECT_THAT(LogMessages(), ElementsAre(HasSubstr(AnsiFromUtf8("发卡记录表已升级"))));
}

// A file of an older keydesk gets the result column and the indexes that make a card's
// lookup and the journal window's every order quick at a million rows, once, with one log
// line; its rows stay as they were.
TEST_F(DoorlockRecordManagerTest, AnOlderFileIsUpgradedOnceAndKeepsItsRows) {
  CreatePlainDb();
  {
    TestDb db(dbFile_);
    db.Exec(
        "insert into T_IssueCardRecord values('R1', '7', '0102305', 1, '', '', '', 0, 'G', '')");
  }
  for (int run = 0; run < 2; ++run) {
    TDoorlockRecordManager store(dbFile_, log_);
    store.Open();
    store.AddIssueCardRecord("R2", "8", "0102305", 1, DateTime(), DateTime(), DateTime(), false,
                             "G", DateTime(), AnsiFromUtf8("成功"));
  }
  EXPECT_THAT(LogMessages(),
              ElementsAre(AnsiFromUtf8("发卡记录表已升级：加上发卡结果一栏，按卡号建立索引，按房间"
                                       "建立索引，按发卡时间建立索引，为各栏排序建立索引")));
  TestDb db(dbFile_);
  EXPECT_THAT(
      db.Rows("select CardNo, coalesce(IssueResult, 'none') from T_IssueCardRecord "
              "order by rowid"),
      ElementsAre(ElementsAre("7", "none"), ElementsAre("8", "成功"), ElementsAre("8", "成功")));
  EXPECT_THAT(db.Rows("select name from pragma_index_list('T_IssueCardRecord') order by name"),
              ElementsAre(ElementsAre("IX_T_IssueCardRecord_CardNo"),
                          ElementsAre("IX_T_IssueCardRecord_CardNoOrder"),
                          ElementsAre("IX_T_IssueCardRecord_CheckOutTime"),
                          ElementsAre("IX_T_IssueCardRecord_GuestName"),
                          ElementsAre("IX_T_IssueCardRecord_IsCopy"),
                          ElementsAre("IX_T_IssueCardRecord_IssueResult"),
                          ElementsAre("IX_T_IssueCardRecord_LastCheckInTime"),
                          ElementsAre("IX_T_IssueCardRecord_OpratingTime"),
                          ElementsAre("IX_T_IssueCardRecord_RoomNo")));
  // The lookup of a card goes through its index rather than through every row.
  EXPECT_THAT(db.Rows("explain query plan select 1 from T_IssueCardRecord where CardNo = '8'"),
              ::testing::Contains(::testing::Contains(HasSubstr("IX_T_IssueCardRecord_CardNo"))));
  // Every order of the journal window is read through an index, with no sort of every row.
  for (const char* order :
       {"RoomNo", "GuestName", "LastCheckInTime", "CheckOutTime", "length(CardNo) desc, CardNo",
        "IsCopy", "OpratingTime", "IssueResult"}) {
    EXPECT_THAT(
        db.Rows(std::string("explain query plan select * from T_IssueCardRecord order by ") +
                order + " desc, rowid desc limit 200 offset 100"),
        ::testing::Not(::testing::Contains(::testing::Contains(HasSubstr("B-TREE")))))
        << order;
  }
}

TEST_F(DoorlockRecordManagerTest, JournalRowIsOnDiskWhenTheCallReturns) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  store.AddIssueCardRecord("R1", "77", "0102305", 1, DateTime(), DateTime(), DateTime(), false, "G",
                           DateTime());

  // Copy the files as a crash would leave them, with the store still holding the database.
  const std::string copy = dir_.File("Crash.mdb");
  std::filesystem::copy_file(dbFile_, copy);
  if (std::filesystem::exists(dbFile_ + "-wal")) {
    std::filesystem::copy_file(dbFile_ + "-wal", copy + "-wal");
  }
  TestDb db(copy);
  EXPECT_THAT(db.Rows("select RegisterId, CardNo from T_IssueCardRecord"),
              ElementsAre(ElementsAre("R1", "77")));
}

TEST_F(DoorlockRecordManagerTest, ConcurrentCallsLoseNoRowAndLogNoError) {
  CreateDb();
  TDoorlockRecordManager store(dbFile_, log_);
  store.Open();
  constexpr int kThreads = 8;
  constexpr int kCalls = 100;
  const DateTime base = MakeDateTime(2008, 10, 15, 12, 0, 0);

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string roomNo = "ROOM" + std::to_string(t);
      for (int i = 0; i < kCalls; ++i) {
        const DateTime when = base.AddMinutes(i);
        store.AddIssueCardRecord(std::to_string(t) + "-" + std::to_string(i), std::to_string(i),
                                 roomNo, 1, when, when, when.AddDays(1), false, "G", when);
        store.SetLastCheckInTime(roomNo, when);
      }
    });
  }
  for (auto& thread : threads) thread.join();

  TestDb db(dbFile_);
  EXPECT_EQ(db.Scalar("select count(*) from T_IssueCardRecord"), "800");
  EXPECT_EQ(db.Scalar("select count(distinct RegisterId) from T_IssueCardRecord"), "800");
  EXPECT_EQ(db.Scalar("select count(*) from T_Room"), std::to_string(kThreads));
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(store.GetLastCheckInTime("ROOM" + std::to_string(t)), base.AddMinutes(kCalls - 1));
  }
  const auto messages = LogMessages();
  EXPECT_EQ(messages.size(), static_cast<size_t>(kThreads));
  for (const auto& message : messages) {
    EXPECT_THAT(message, HasSubstr(AnsiFromUtf8("新建房间") + "ROOM"));
  }
}

// --- Creating the database file -------------------------------------------------------------

TEST_F(DoorlockRecordManagerTest, CreateDatabaseMakesBothTablesAndTheUniqueIndex) {
  std::string error;
  ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase(dbFile_, error)) << error;

  // Nothing of the temporary file or its logs is left beside it.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(names, ElementsAre("Client.mdb"));
  TestDb db(dbFile_);
  EXPECT_THAT(db.Rows("select name, \"notnull\" from pragma_table_info('T_Room')"),
              ElementsAre(ElementsAre("RoomNo", "1"), ElementsAre("LastCheckInTime", "0")));
  EXPECT_THAT(db.Rows("select name, type from pragma_table_info('T_IssueCardRecord')"),
              ElementsAre(ElementsAre("RegisterId", "TEXT"), ElementsAre("CardNo", "TEXT"),
                          ElementsAre("RoomNo", "TEXT"), ElementsAre("CardType", "INTEGER"),
                          ElementsAre("LastCheckInTime", "TEXT"),
                          ElementsAre("CheckInTime", "TEXT"), ElementsAre("CheckOutTime", "TEXT"),
                          ElementsAre("IsCopy", "INTEGER"), ElementsAre("GuestName", "TEXT"),
                          ElementsAre("OpratingTime", "TEXT"), ElementsAre("IssueResult", "TEXT")));
  // The card number's, the room's, and one for each order of the journal window.
  EXPECT_EQ(db.Scalar("select count(*) from pragma_index_list('T_IssueCardRecord')"), "9");
  const auto indexes = db.Rows("select name, \"unique\" from pragma_index_list('T_Room')");
  ASSERT_EQ(indexes.size(), 1u);
  EXPECT_EQ(indexes[0][1], "1");
  EXPECT_THAT(db.Rows("select name from pragma_index_info('" + indexes[0][0] + "')"),
              ElementsAre(ElementsAre("RoomNo")));
  EXPECT_EQ(db.Scalar("pragma journal_mode"), "wal");
}

TEST_F(DoorlockRecordManagerTest, CreateDatabaseLeavesAnExistingFileAlone) {
  const std::string content = "not a database, but somebody's file";
  WriteFileBytes(dbFile_, content);
  std::string error;

  EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dbFile_, error)) << error;

  EXPECT_EQ(ReadFileBytes(dbFile_), content);
}

TEST_F(DoorlockRecordManagerTest, CreateDatabaseKeepsTheRowsOfAnExistingDatabase) {
  CreateDb();
  {
    TDoorlockRecordManager store(dbFile_, log_);
    store.AddRoom("0102305", MakeDateTime(2008, 10, 1, 12, 0, 0));
  }
  const std::string before = ReadFileBytes(dbFile_);
  std::string error;

  EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dbFile_, error)) << error;

  EXPECT_EQ(ReadFileBytes(dbFile_), before);
  TestDb db(dbFile_);
  EXPECT_EQ(db.Scalar("select RoomNo from T_Room"), "0102305");
}

TEST_F(DoorlockRecordManagerTest, CreateDatabaseReportsAnImpossiblePath) {
  const std::string inMissingFolder = dir_.File("no-such-folder/Client.mdb");
  std::string error;
  EXPECT_FALSE(TDoorlockRecordManager::CreateDatabase(inMissingFolder, error));
  EXPECT_THAT(error, HasSubstr("no-such-folder"));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("no-such-folder")));

  std::filesystem::create_directory(dir_.File("Folder.mdb"));
  error.clear();
  EXPECT_FALSE(TDoorlockRecordManager::CreateDatabase(dir_.File("Folder.mdb"), error));
  EXPECT_THAT(error, HasSubstr("Folder.mdb"));
}

TEST(IssueResultTest, EachTextSaysItsStateWhetherItsCardMayOpenTheRoomAndIfItNeedsTheClerk) {
  struct Case {
    std::string text;
    IssueState state;
    bool mayOpen;
    bool attention;
  };
  for (const Case& c : std::vector<Case>{
           {WritingResult(), IssueState::Writing, true, false},
           {WrittenResult(), IssueState::Written, true, false},
           {UnansweredResult(14), IssueState::Unanswered, true, true},
           {InterruptedResult(), IssueState::Interrupted, true, true},
           {DoubtfulResult(AnsiFromUtf8("写电梯块失败（代码 8）")), IssueState::Doubtful, true,
            true},
           {FailedResult(AnsiFromUtf8("没有发卡器")), IssueState::Failed, false, true},
           {RefusedResult(AnsiFromUtf8("房号为空")), IssueState::Refused, false, true},
           {"", IssueState::Old, false, false},
       }) {
    EXPECT_EQ(IssueStateOf(c.text), c.state) << Utf8FromAnsi(c.text);
    EXPECT_EQ(MayOpenRoom(c.state), c.mayOpen) << Utf8FromAnsi(c.text);
    EXPECT_EQ(NeedsAttention(c.state), c.attention) << Utf8FromAnsi(c.text);
  }
  EXPECT_EQ(Utf8FromAnsi(UnansweredResult(14)),
            "卡已写好（卡号 14），PMS 没有收到结果，请在 PMS 核对");
}

}  // namespace
}  // namespace keydesk
