#include "kinds/doorlock/doorlock_test_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/access_log.h"
#include "core/log_file.h"
#include "core/network_option.h"
#include "core/operation_list.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "doorlock/option.h"
#include "fakes/fake_doorlock.h"
#include "fixed_clock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using test::MakeDateTime;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

bool CreateDatabase(const std::string& fileName) {
  std::string error;
  return TDoorlockRecordManager::CreateDatabase(fileName, error);
}

class DoorlockTestActionsTest : public ::testing::Test {
 protected:
  DoorlockTestActionsTest() { store_.Open(); }

  // The dialog's defaults: room 00 01 01 from an hour ago to two days on.
  TestCardEntries Defaults() const {
    return {"00", "01", "01", actions_.DefaultCheckIn(), actions_.DefaultCheckOut(), false};
  }
  bool Write(const TestCardEntries& entries) { return actions_.WriteCard(entries).Written; }
  std::vector<std::vector<std::string>> Rooms() {
    return test::TestDb(storeFile_).Rows("select RoomNo, LastCheckInTime from T_Room");
  }
  std::vector<std::vector<std::string>> Journal() {
    return test::TestDb(storeFile_)
        .Rows(
            "select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, CheckInTime, "
            "CheckOutTime, IsCopy, GuestName, OpratingTime from T_IssueCardRecord order by rowid");
  }

  test::TempDir dir_;
  TSysOption sysOption_{dir_.File("Option.ini")};
  test::FixedClock clock_{MakeDateTime(2008, 3, 15, 14, 0, 30)};
  TLogFile log_{dir_.File("20080315.LOG"), sysOption_, clock_};
  std::string storeFile_ = dir_.File(TDoorlockRecordManager::kFileName);
  bool created_ = CreateDatabase(storeFile_);
  TDoorlockRecordManager store_{storeFile_, log_};
  SharedOption option_{TOption()};
  ServiceStatus status_;
  NetworkOption network_;
  AccessLog access_{dir_.Path().string(), "doorlock", false, clock_};
  ServiceContext context_{sysOption_, option_, log_, store_, clock_, status_, network_, access_};
  DoorlockService service_{context_, &doorlock_};
  test::FakeDoorlock doorlock_;
  DoorlockTestActions actions_{service_};
};

TEST_F(DoorlockTestActionsTest, DefaultTimesAreAnHourAgoAndTwoDaysOn) {
  EXPECT_EQ(actions_.DefaultCheckIn(), "2008-03-15 13:00:30");
  EXPECT_EQ(actions_.DefaultCheckOut(), "2008-03-17 14:00:30");
}

TEST_F(DoorlockTestActionsTest, WithoutTheStoreTheCardIsForGuestTestOverTheTypedPeriod) {
  sysOption_.DelayMinutes = 30;
  sysOption_.DelayMinutes2 = 60;
  EXPECT_TRUE(Write(Defaults()));

  ASSERT_EQ(doorlock_.writes.size(), 1u);
  const test::DoorlockWrite& call = doorlock_.writes[0];
  EXPECT_EQ(call.registerId, "");
  EXPECT_EQ(call.roomBuildingCode, "00");
  EXPECT_EQ(call.roomFloorCode, "01");
  EXPECT_EQ(call.roomNo, "01");
  EXPECT_EQ(call.guestName, "Test");
  EXPECT_EQ(call.beginDate, MakeDateTime(2008, 3, 15, 13, 0, 30));
  EXPECT_EQ(call.beginTime, call.beginDate);
  EXPECT_EQ(call.endDate, MakeDateTime(2008, 3, 17, 14, 0, 30));
  EXPECT_EQ(call.endTime, call.endDate);
  EXPECT_FALSE(call.isCopy);
  EXPECT_THAT(Rooms(), IsEmpty());
  EXPECT_THAT(Journal(), IsEmpty());
}

TEST_F(DoorlockTestActionsTest, WithTheStoreANormalCardStartsNowLessTheDelayAndRecordsIt) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 15;
  EXPECT_TRUE(Write(Defaults()));

  EXPECT_EQ(doorlock_.writes.at(0).beginDate, MakeDateTime(2008, 3, 15, 13, 45, 30));
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 13:45:30.000")));
}

TEST_F(DoorlockTestActionsTest, AFailedNormalCardRecordsNoRoomTime) {
  sysOption_.UseNativeDoorlockDb = true;
  doorlock_.writeResult = false;
  EXPECT_FALSE(Write(Defaults()));
  EXPECT_THAT(Rooms(), IsEmpty());
}

TEST_F(DoorlockTestActionsTest, EachCardOperationIsAnEntryOfTheWindowsListOfOperations) {
  EXPECT_TRUE(Write(Defaults()));
  doorlock_.writeResult = false;
  EXPECT_FALSE(Write(Defaults()));
  TestCardEntries noRoom = Defaults();
  noRoom.RoomNo.clear();
  EXPECT_THROW(Write(noRoom), Error);
  int64_t cardNo = 0;
  actions_.ReadCard(cardNo);
  std::vector<std::string> lines;
  for (const OperationEntry& entry : status_.Operations().Since(0).Entries) {
    // The time aside.
    lines.push_back(Utf8FromAnsi(OperationLine(entry)).substr(21));
  }
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_THAT(lines[0], ::testing::StartsWith("测试对话框  发卡  房间 000101  卡号 "));
  EXPECT_THAT(lines[0], ::testing::EndsWith("  成功"));
  // A driver that cannot tell why says so, never to look in a log that may not exist.
  EXPECT_THAT(lines[1], ::testing::EndsWith("  失败：发卡器没有写成"));
  EXPECT_THAT(lines[2], ::testing::StartsWith("测试对话框  发卡  房间 "));
  EXPECT_THAT(lines[2], ::testing::HasSubstr("  失败："));
  EXPECT_THAT(lines[3], ::testing::StartsWith("测试对话框  读卡  "));
}

TEST_F(DoorlockTestActionsTest, ACopyForANewRoomAddsTheRoomAndStartsThere) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 10;
  TestCardEntries copy = Defaults();
  copy.IsCopy = true;

  EXPECT_TRUE(Write(copy));
  clock_.Set(MakeDateTime(2008, 3, 16, 9, 0, 0));
  EXPECT_TRUE(Write(copy));

  ASSERT_EQ(doorlock_.writes.size(), 2u);
  EXPECT_EQ(doorlock_.writes[0].beginDate, MakeDateTime(2008, 3, 15, 13, 50, 30));
  EXPECT_EQ(doorlock_.writes[1].beginDate, MakeDateTime(2008, 3, 15, 13, 50, 30));
  EXPECT_TRUE(doorlock_.writes[1].isCopy);
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 13:50:30.000")));
}

TEST_F(DoorlockTestActionsTest, ACopyStartsAtTheRoomsLastNormalCard) {
  sysOption_.UseNativeDoorlockDb = true;
  EXPECT_TRUE(Write(Defaults()));
  clock_.Set(MakeDateTime(2008, 3, 15, 20, 0, 0));
  TestCardEntries copy = Defaults();
  copy.IsCopy = true;
  EXPECT_TRUE(Write(copy));

  EXPECT_EQ(doorlock_.writes.at(1).beginDate, MakeDateTime(2008, 3, 15, 14, 0, 30));
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 14:00:30.000")));
}

TEST_F(DoorlockTestActionsTest, EveryWriteIsJournaledWhateverItsResult) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.SaveDoorlockRecord = true;
  doorlock_.writeResult = false;
  doorlock_.cardNo = 99;
  TestCardEntries entries = Defaults();
  entries.CheckIn = "2008-03-15 12:00:00";
  entries.CheckOut = "2008-3-16 12:00";

  EXPECT_FALSE(Write(entries));

  EXPECT_THAT(Journal(),
              ElementsAre(ElementsAre("", "99", "000101", "1", "2008-03-15 14:00:30.000",
                                      "2008-03-15 12:00:00.000", "2008-03-16 12:00:00.000", "0",
                                      "Test", "2008-03-15 14:00:30.000")));
}

TEST_F(DoorlockTestActionsTest, ABadTimeRaisesBeforeTheDriverOrTheStore) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.SaveDoorlockRecord = true;
  for (const auto& [checkIn, checkOut] : {std::pair{"tomorrow", "2008-03-17 14:00:30"},
                                          std::pair{"2008-03-15 13:00", "2008-03-17 25:00"}}) {
    TestCardEntries entries = Defaults();
    entries.IsCopy = true;
    entries.CheckIn = checkIn;
    entries.CheckOut = checkOut;
    const bool checkInBad = std::string(checkIn) == "tomorrow";
    const std::string bad = checkInBad ? checkIn : checkOut;
    try {
      Write(entries);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const ConvertError& error) {
      // The system's text, then the field in Chinese.
      EXPECT_EQ(Utf8FromAnsi(error.what()),
                "'" + bad + "' is not a valid date and time\n“" +
                    (checkInBad ? "起始时间" : "结束时间") +
                    "”要填写日期和时间，如 2026-12-09 14:00:00，现在是“" + bad + "”。");
    }
  }
  EXPECT_THAT(doorlock_.writes, IsEmpty());
  EXPECT_THAT(Rooms(), IsEmpty());
  EXPECT_THAT(Journal(), IsEmpty());
}

TEST_F(DoorlockTestActionsTest, ReadLeavesWhatTheDriverReported) {
  doorlock_.readNo.reset();
  int64_t cardNo = 0;
  EXPECT_TRUE(actions_.ReadCard(cardNo));
  EXPECT_EQ(cardNo, 0);
  doorlock_.readNo = 812;
  doorlock_.readResult = false;
  EXPECT_FALSE(actions_.ReadCard(cardNo));
  EXPECT_EQ(cardNo, 812);
}

TEST_F(DoorlockTestActionsTest, TheLinesSayWhatTheCardIsAfterAReadOrAnErase) {
  TCardDetails halfWritten;
  halfWritten.Inconsistency = AnsiFromUtf8("客房块 2，电梯块 1");
  EXPECT_EQ(Utf8FromAnsi(DoorlockTestActions::ReadOutcome(false, 2, halfWritten)),
            "读卡失败：卡不完整，客房块 2，电梯块 1");
  EXPECT_EQ(Utf8FromAnsi(DoorlockTestActions::ReadOutcome(false, 0, {})), "读卡失败");
  // The encoder erases nothing: the clerk must not take the card for a dead one.
  EXPECT_EQ(Utf8FromAnsi(DoorlockTestActions::EraseOutcome(true)),
            "销卡成功：卡本身没有改动，仍按写入的有效期开门");
}

TEST_F(DoorlockTestActionsTest, WithoutADriverNothingSucceeds) {
  DoorlockService withoutDriver(context_, nullptr);
  DoorlockTestActions withoutDevice(withoutDriver);
  int64_t cardNo = 0;
  EXPECT_FALSE(withoutDevice.OpenPort());
  EXPECT_FALSE(withoutDevice.ClosePort());
  EXPECT_FALSE(withoutDevice.EraseCard());
  EXPECT_FALSE(withoutDevice.ReadCard(cardNo));
  const IssueOutcome outcome = withoutDevice.WriteCard(Defaults());
  EXPECT_FALSE(outcome.Written);
  EXPECT_EQ(Utf8FromAnsi(outcome.Reason), "没有发卡器");
  withoutDevice.Beep();
}

}  // namespace
}  // namespace keydesk
