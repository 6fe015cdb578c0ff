#include "ui/doorlock_test_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <future>

#include "core/access_log.h"
#include "core/log_file.h"
#include "core/network_option.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/drevan_library.h"
#include "doorlock/drevan_lift_doorlock.h"
#include "doorlock/option.h"
#include "fakes/fake_doorlock.h"
#include "fixed_clock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "message_box_recorder.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using test::MakeDateTime;
using test::MessageBoxRecorder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const QString kTitle = QStringLiteral("MarveskOxbel门锁接口");

TOption PowerSwitchOption() {
  TOption option;
  option.PortName = "COM2";
  option.LockTypeName = "RW-21";
  option.PowerSwitchTypeName = "8602-1M-57BA";
  option.PowerSwitchPassword = "FFFFFFFFFFFF";
  return option;
}

bool CreateDatabase(const std::string& fileName) {
  std::string error;
  return TDoorlockRecordManager::CreateDatabase(fileName, error);
}

// The dialog over the real lift driver and the simulated encoder, with the record store in
// the test's folder and the clock fixed at 2008-03-15 14:00:30.
class DoorlockTestFormTest : public ::testing::Test {
 protected:
  DoorlockTestFormTest() {
    QCoreApplication::setApplicationName(kTitle);
    store_.Open();
  }

  std::vector<std::string> Trace() const { return test::SplitLines(test::ReadFileBytes(trace_)); }
  // The trace line of the named library function; empty when it was not called.
  std::string Call(std::string_view function) const {
    for (const std::string& line : Trace()) {
      if (line.starts_with(function)) return line;
    }
    return {};
  }
  std::vector<std::vector<std::string>> Journal() {
    return test::TestDb(storeFile_)
        .Rows(
            "select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, CheckInTime, "
            "CheckOutTime, IsCopy, GuestName, OpratingTime from T_IssueCardRecord order by rowid");
  }
  std::vector<std::vector<std::string>> Rooms() {
    return test::TestDb(storeFile_).Rows("select RoomNo, LastCheckInTime from T_Room");
  }

  MessageBoxRecorder boxes_;
  test::TempDir dir_;
  std::string trace_ = dir_.File("trace.txt");
  test::SimEnvironment sim_{dir_.File("card.txt"), trace_};
  TSysOption sysOption_{dir_.File("Option.ini")};
  test::FixedClock clock_{MakeDateTime(2008, 3, 15, 14, 0, 30)};
  TLogFile log_{dir_.File("20080315.LOG"), sysOption_, clock_};
  std::string storeFile_ = dir_.File(TDoorlockRecordManager::kFileName);
  bool created_ = CreateDatabase(storeFile_);
  TDoorlockRecordManager store_{storeFile_, log_};
  SharedOption option_{PowerSwitchOption()};
  DrevanLibrary library_{test::kCardLibraryPath};
  TDrevanLiftDoorlock driver_{library_, option_, log_};
  ServiceStatus status_;
  NetworkOption network_;
  AccessLog access_{dir_.Path().string(), "doorlock", false, clock_};
  ServiceContext context_{sysOption_, option_, log_, store_, clock_, status_, network_, access_};
  TBaseDoorlock* installed_ = &driver_;
  std::unique_ptr<DoorlockService> service_;

  // The service over the installed driver, afresh for each dialog.
  DoorlockService& Service() {
    service_ = std::make_unique<DoorlockService>(context_, installed_);
    return *service_;
  }
};

TEST_F(DoorlockTestFormTest, OpensWithTheDefaultRoomAndAPeriodFromAnHourAgoToTwoDaysOn) {
  TDoorlockTestForm form(Service());

  EXPECT_EQ(form.windowTitle(), QStringLiteral("测试"));
  EXPECT_EQ(form.size(), QSize(599, 394));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.OpenPortBtn->text(), QStringLiteral("打开串口"));
  EXPECT_EQ(form.beepBtn->text(), QStringLiteral("Beep"));
  EXPECT_EQ(form.ClosePortBtn->text(), QStringLiteral("关闭串口"));
  EXPECT_EQ(form.WriteCardBtn->text(), QStringLiteral("写卡"));
  EXPECT_EQ(form.ReadCardBtn->text(), QStringLiteral("读卡"));
  EXPECT_EQ(form.EraseCardBtn->text(), QStringLiteral("销卡"));
  EXPECT_EQ(form.IsCopyCheckBox->text(), QStringLiteral("复制"));
  EXPECT_FALSE(form.IsCopyCheckBox->isChecked());
  EXPECT_EQ(form.RoomBuildingCodeTxt->text(), QStringLiteral("00"));
  EXPECT_EQ(form.RoomFloorCodeTxt->text(), QStringLiteral("01"));
  EXPECT_EQ(form.RoomNoTxt->text(), QStringLiteral("01"));
  EXPECT_EQ(form.CheckInDateTimeTxt->text(), QStringLiteral("2008-03-15 13:00:30"));
  EXPECT_EQ(form.CheckOutDateTimeTxt->text(), QStringLiteral("2008-03-17 14:00:30"));
  EXPECT_TRUE(form.CardNoTxt->text().isEmpty());
}

TEST_F(DoorlockTestFormTest, WithoutTheRecordStoreWritesTheTypedPeriodForGuestTest) {
  // The delays move a PMS request's times, never the dialog's.
  sysOption_.DelayMinutes = 30;
  sysOption_.DelayMinutes2 = 45;
  TDoorlockTestForm form(Service());

  form.WriteCardBtn->click();

  EXPECT_THAT(Call("Write_Guest_Card"), HasSubstr(" 01 0000 00000000 0803151300 0803171400"));
  EXPECT_THAT(Call("Write_Guest_PowerSwitch"), HasSubstr(" 01 Test 0803151300 0803171400 "));
  EXPECT_TRUE(form.CardNoTxt->text().isEmpty());
  EXPECT_THAT(Rooms(), IsEmpty());
  EXPECT_THAT(Journal(), IsEmpty());
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(DoorlockTestFormTest, ACopyForANewRoomAddsItAtNowLessTheDelayAndLaterCopiesStartThere) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 10;
  TDoorlockTestForm form(Service());
  form.IsCopyCheckBox->setChecked(true);

  form.WriteCardBtn->click();
  EXPECT_THAT(Call("Write_Guest_Card"), HasSubstr(" 0803151350 0803171400"));
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 13:50:30.000")));

  std::filesystem::remove(trace_);
  clock_.Set(MakeDateTime(2008, 3, 15, 18, 0, 0));
  form.WriteCardBtn->click();
  EXPECT_THAT(Call("Write_Guest_Card"), HasSubstr(" 0803151350 0803171400"));
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("000101", "2008-03-15 13:50:30.000")));
}

TEST_F(DoorlockTestFormTest, ANormalCardWithTheRecordStoreStartsNowLessTheDelayAndIsRecorded) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 5;
  TDoorlockTestForm form(Service());
  form.RoomBuildingCodeTxt->setText(QStringLiteral("01"));
  form.RoomFloorCodeTxt->setText(QStringLiteral("02"));
  form.RoomNoTxt->setText(QStringLiteral("08"));

  form.WriteCardBtn->click();

  EXPECT_THAT(Call("Write_Guest_Card"), HasSubstr(" 08 0000 00000000 0803151355 0803171400"));
  EXPECT_THAT(Rooms(), ElementsAre(ElementsAre("010208", "2008-03-15 13:55:30.000")));
}

TEST_F(DoorlockTestFormTest, AFailedWriteIsStillJournaledAndRecordsNoRoomTime) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.SaveDoorlockRecord = true;
  sim_.Fail("Write_Guest_Card:6");
  TDoorlockTestForm form(Service());

  form.WriteCardBtn->click();

  ASSERT_FALSE(Call("Write_Guest_Card").empty());
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("写卡失败：卡号 1"));
  EXPECT_THAT(Rooms(), IsEmpty());
  EXPECT_THAT(Journal(),
              ElementsAre(ElementsAre("", "1", "000101", "1", "2008-03-15 14:00:30.000",
                                      "2008-03-15 13:00:30.000", "2008-03-17 14:00:30.000", "0",
                                      "Test", "2008-03-15 14:00:30.000")));
}

TEST_F(DoorlockTestFormTest, AWrittenCardIsJournaledWithTheTypedPeriod) {
  sysOption_.SaveDoorlockRecord = true;
  TDoorlockTestForm form(Service());
  form.CheckInDateTimeTxt->setText(QStringLiteral("2008-08-18 14:00"));
  form.CheckOutDateTimeTxt->setText(QStringLiteral("2008-08-20 12:00:00"));
  form.IsCopyCheckBox->setChecked(true);

  form.WriteCardBtn->click();

  EXPECT_THAT(Call("Write_Guest_Card"), HasSubstr(" 0808181400 0808201200"));
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("写卡成功：卡号 1"));
  // A read says what the journal knows of the card.
  form.ReadCardBtn->click();
  EXPECT_EQ(
      form.ResultLbl->text(),
      QStringLiteral("读卡成功：卡号 1，房间 01，有效期 2008-08-18 14:00 至 2008-08-20 12:00\n"
                     "发卡记录：房间 000101，客人 Test，有效期 2008-08-18 14:00 至 "
                     "2008-08-20 12:00，复制卡"));
  EXPECT_THAT(Journal(),
              ElementsAre(ElementsAre("", "1", "000101", "1", "2008-08-18 14:00:00.000",
                                      "2008-08-18 14:00:00.000", "2008-08-20 12:00:00.000", "1",
                                      "Test", "2008-03-15 14:00:30.000")));
}

TEST_F(DoorlockTestFormTest, ABadDateAndTimeIsRefusedBeforeTheDriverAndNothingIsRecorded) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.SaveDoorlockRecord = true;
  TDoorlockTestForm form(Service());
  form.CheckOutDateTimeTxt->setText(QStringLiteral("2008-02-30 12:00:00"));

  form.WriteCardBtn->click();

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, kTitle);
  EXPECT_EQ(
      boxes_.Shown()[0].text,
      QStringLiteral(
          "'2008-02-30 12:00:00' is not a valid date and time\n“结束时间”要填写日期和时间，如 "
          "2026-12-09 14:00:00，现在是“2008-02-30 12:00:00”。"));
  EXPECT_THAT(Trace(), IsEmpty());
  EXPECT_THAT(Rooms(), IsEmpty());
  EXPECT_THAT(Journal(), IsEmpty());

  // A card that would be expired when written is refused the same way.
  form.CheckInDateTimeTxt->setText(QStringLiteral("2008-03-17 14:00:31"));
  form.CheckOutDateTimeTxt->setText(QStringLiteral("2008-03-17 14:00:30"));
  form.WriteCardBtn->click();
  ASSERT_EQ(boxes_.Shown().size(), 2u);
  EXPECT_EQ(boxes_.Shown()[1].text,
            QStringLiteral(
                "结束时间早于起始时间（2008-03-17 14:00:31 至 2008-03-17 14:00:30），没有写卡。"));
  EXPECT_THAT(Trace(), IsEmpty());
  EXPECT_THAT(Journal(), IsEmpty());
}

TEST_F(DoorlockTestFormTest, ReadShowsTheCardNumberAndZeroWhenNoneWasRead) {
  TDoorlockTestForm form(Service());
  form.WriteCardBtn->click();
  form.WriteCardBtn->click();

  form.ReadCardBtn->click();
  EXPECT_EQ(form.CardNoTxt->text(), QStringLiteral("2"));
  EXPECT_EQ(
      form.ResultLbl->text(),
      QStringLiteral("读卡成功：卡号 2，房间 01，有效期 2008-03-15 13:00 至 2008-03-17 14:00"));

  sim_.Fail("Read_Guest_Card:1");
  form.ReadCardBtn->click();
  EXPECT_EQ(form.CardNoTxt->text(), QStringLiteral("0"));
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("读卡失败"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(DoorlockTestFormTest, BeepSoundsTheEncoder) {
  TDoorlockTestForm form(Service());
  form.beepBtn->click();
  EXPECT_THAT(Trace(), ElementsAre("Reader_Alarm 2 1 1"));
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("已执行 Beep"));
}

TEST_F(DoorlockTestFormTest, PortAndEraseButtonsCallTheDriverAndSayHowItWent) {
  // A fake, since these calls leave no trace in the simulated encoder.
  test::FakeDoorlock counting;
  counting.eraseResult = false;
  installed_ = &counting;
  TDoorlockTestForm form(Service());

  form.OpenPortBtn->click();
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("打开串口成功"));
  form.ClosePortBtn->click();
  form.ClosePortBtn->click();
  form.EraseCardBtn->click();
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("销卡失败"));

  EXPECT_EQ(counting.Count("OpenPort"), 1);
  EXPECT_EQ(counting.Count("ClosePort"), 2);
  EXPECT_EQ(counting.Count("EraseCard"), 1);
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
  installed_ = &driver_;
}

TEST_F(DoorlockTestFormTest, EnterPressesTheFocusedButtonWhichHasTheFocusAgainAfterTheCall) {
  TDoorlockTestForm form(Service());
  form.show();

  form.beepBtn->setFocus();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(form.beepBtn, &enter);
  EXPECT_THAT(Trace(), ElementsAre("Reader_Alarm 2 1 1"));
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("已执行 Beep"));
  EXPECT_EQ(form.focusWidget(), form.beepBtn);

  form.WriteCardBtn->setFocus();
  QKeyEvent keypadEnter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
  QApplication::sendEvent(form.WriteCardBtn, &keypadEnter);
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("写卡成功：卡号 1"));
  EXPECT_EQ(form.focusWidget(), form.WriteCardBtn);

  // Enter in an entry presses no button.
  std::filesystem::remove(trace_);
  form.RoomNoTxt->setFocus();
  QApplication::sendEvent(form.RoomNoTxt, &enter);
  EXPECT_THAT(Trace(), IsEmpty());
  EXPECT_EQ(form.focusWidget(), form.RoomNoTxt);
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

// A driver whose read waits until the test lets it go, as a slow encoder does.
class SlowDoorlock final : public TBaseDoorlock {
 public:
  bool ReadCard(int64_t& CardNo) override {
    released_.get_future().wait();
    CardNo = 77;
    return true;
  }
  void Release() { released_.set_value(); }

 private:
  std::promise<void> released_;
};

TEST_F(DoorlockTestFormTest, WhileTheEncoderWorksTheCursorIsBusyAndNothingCanBeClickedOrClosed) {
  SlowDoorlock slow;
  installed_ = &slow;
  TDoorlockTestForm form(Service());
  form.show();
  form.CardNoTxt->setText(QStringLiteral("5301"));
  bool busyCursor = false, anyEnabled = true, stale = true, closed = true;
  // Runs while the read waits: the window still handles events.
  QTimer::singleShot(0, &form, [&] {
    busyCursor = QApplication::overrideCursor() != nullptr &&
                 QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    anyEnabled = false;
    for (const QPushButton* button : form.findChildren<QPushButton*>()) {
      anyEnabled = anyEnabled || button->isEnabled();
    }
    stale = !form.CardNoTxt->text().isEmpty();
    form.reject();
    closed = !form.isVisible();
    slow.Release();
  });

  form.ReadCardBtn->click();

  EXPECT_TRUE(busyCursor);
  EXPECT_FALSE(anyEnabled);
  EXPECT_FALSE(stale) << "the earlier card's number stayed on screen during the read";
  EXPECT_FALSE(closed);
  EXPECT_EQ(form.CardNoTxt->text(), QStringLiteral("77"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(form.ReadCardBtn->isEnabled());
  installed_ = &driver_;
}

}  // namespace
}  // namespace keydesk
