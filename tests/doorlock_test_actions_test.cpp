#include "kinds/doorlock/doorlock_test_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "core/log_file.h"
#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "doorlock/option.h"
#include "fixed_clock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "platform/errors.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using test::MakeDateTime;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct WriteCall {
  std::string RegisterId, RoomBuildingCode, RoomFloorCode, RoomNo, GuestName;
  DateTime BeginDate, BeginTime, EndDate, EndTime;
  bool IsCopy;
};

// Remembers the card it was asked to write and answers as told.
class RecordingDoorlock final : public TBaseDoorlock {
 public:
  bool WriteCard(const std::string& RegisterId, const std::string& RoomBuildingCode,
                 const std::string& RoomFloorCode, const std::string& RoomNo,
                 const std::string& GuestName, DateTime BeginDate, DateTime BeginTime,
                 DateTime EndDate, DateTime EndTime, bool IsCopy, int64_t& CardNo) override {
    written.push_back({RegisterId, RoomBuildingCode, RoomFloorCode, RoomNo, GuestName, BeginDate,
                       BeginTime, EndDate, EndTime, IsCopy});
    CardNo = cardNo;
    return succeed;
  }
  bool ReadCard(int64_t& CardNo) override {
    if (readNo) CardNo = *readNo;
    return succeed;
  }

  std::vector<WriteCall> written;
  int64_t cardNo = 4711;
  std::optional<int64_t> readNo;
  bool succeed = true;
};

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
  bool Write(const TestCardEntries& entries) {
    int64_t cardNo = 0;
    return actions_.WriteCard(entries, cardNo);
  }
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
  ServiceContext context_{sysOption_, option_, log_, store_, clock_};
  DoorlockService service_{context_, &doorlock_};
  RecordingDoorlock doorlock_;
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

  ASSERT_EQ(doorlock_.written.size(), 1u);
  const WriteCall& call = doorlock_.written[0];
  EXPECT_EQ(call.RegisterId, "");
  EXPECT_EQ(call.RoomBuildingCode, "00");
  EXPECT_EQ(call.RoomFloorCode, "01");
  EXPECT_EQ(call.RoomNo, "01");
  EXPECT_EQ(call.GuestName, "Test");
  EXPECT_EQ(call.BeginDate, MakeDateTime(2008, 3, 15, 13, 0, 30));
  EXPECT_EQ(call.BeginTime, call.BeginDate);
  EXPECT_EQ(call.EndDate, MakeDateTime(2008, 3, 17, 14, 0, 30));
  EXPECT_EQ(call.EndTime, call.EndDate);
  EXPECT_FALSE(call.IsCopy);
  EXPECT_THAT(Rooms(), IsEmpty());
  EXPECT_THAT(Journal(), IsEmpty());
}

TEST_F(DoorlockTestActionsTest, WithTheStoreANormalCardStartsNowLessTheDelayAndRecordsIt) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 15;
  EXPECT_TRUE(Write(Defaults()));

  EXPECT_EQ(doorlock_.written.at(0).BeginDate, MakeDateTime(2008, 3, 15, 13, 45, 30));
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 13:45:30.000")));
}

TEST_F(DoorlockTestActionsTest, AFailedNormalCardRecordsNoRoomTime) {
  sysOption_.UseNativeDoorlockDb = true;
  doorlock_.succeed = false;
  EXPECT_FALSE(Write(Defaults()));
  EXPECT_THAT(Rooms(), IsEmpty());
}

TEST_F(DoorlockTestActionsTest, ACopyForANewRoomAddsTheRoomAndStartsThere) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 10;
  TestCardEntries copy = Defaults();
  copy.IsCopy = true;

  EXPECT_TRUE(Write(copy));
  clock_.Set(MakeDateTime(2008, 3, 16, 9, 0, 0));
  EXPECT_TRUE(Write(copy));

  ASSERT_EQ(doorlock_.written.size(), 2u);
  EXPECT_EQ(doorlock_.written[0].BeginDate, MakeDateTime(2008, 3, 15, 13, 50, 30));
  EXPECT_EQ(doorlock_.written[1].BeginDate, MakeDateTime(2008, 3, 15, 13, 50, 30));
  EXPECT_TRUE(doorlock_.written[1].IsCopy);
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 13:50:30.000")));
}

TEST_F(DoorlockTestActionsTest, ACopyStartsAtTheRoomsLastNormalCard) {
  sysOption_.UseNativeDoorlockDb = true;
  EXPECT_TRUE(Write(Defaults()));
  clock_.Set(MakeDateTime(2008, 3, 15, 20, 0, 0));
  TestCardEntries copy = Defaults();
  copy.IsCopy = true;
  EXPECT_TRUE(Write(copy));

  EXPECT_EQ(doorlock_.written.at(1).BeginDate, MakeDateTime(2008, 3, 15, 14, 0, 30));
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 14:00:30.000")));
}

TEST_F(DoorlockTestActionsTest, EveryWriteIsJournaledWhateverItsResult) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.SaveDoorlockRecord = true;
  doorlock_.succeed = false;
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
    const std::string bad = std::string(checkIn) == "tomorrow" ? checkIn : checkOut;
    try {
      Write(entries);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const ConvertError& error) {
      EXPECT_EQ(error.what(), "'" + bad + "' is not a valid date and time");
    }
  }
  EXPECT_THAT(doorlock_.written, IsEmpty());
  EXPECT_THAT(Rooms(), IsEmpty());
  EXPECT_THAT(Journal(), IsEmpty());
}

TEST_F(DoorlockTestActionsTest, ReadLeavesWhatTheDriverReported) {
  int64_t cardNo = 0;
  EXPECT_TRUE(actions_.ReadCard(cardNo));
  EXPECT_EQ(cardNo, 0);
  doorlock_.readNo = 812;
  doorlock_.succeed = false;
  EXPECT_FALSE(actions_.ReadCard(cardNo));
  EXPECT_EQ(cardNo, 812);
}

TEST_F(DoorlockTestActionsTest, WithoutADriverNothingSucceeds) {
  DoorlockService withoutDriver(context_, nullptr);
  DoorlockTestActions withoutDevice(withoutDriver);
  int64_t cardNo = 0;
  EXPECT_FALSE(withoutDevice.OpenPort());
  EXPECT_FALSE(withoutDevice.ClosePort());
  EXPECT_FALSE(withoutDevice.EraseCard());
  EXPECT_FALSE(withoutDevice.ReadCard(cardNo));
  EXPECT_FALSE(withoutDevice.WriteCard(Defaults(), cardNo));
  withoutDevice.Beep();
}

}  // namespace
}  // namespace keydesk
