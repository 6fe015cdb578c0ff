#include "ui/hand_test_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "core/log_file.h"
#include "core/sys_option.h"
#include "devices/simulated_hand.h"
#include "doorlock/option.h"
#include "fakes/fake_hand.h"
#include "fixed_clock.h"
#include "message_box_recorder.h"
#include "platform/code_page.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "tab_chain.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::MakeDateTime;
using test::MessageBoxRecorder;
using test::TabChain;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QString kTitle = QStringLiteral("MarveskOxbel手牌接口");

// The dialog over the simulated hand-tag device in the test's folder, with the clock fixed
// at 2008-03-15 14:00:30.
class HandTestFormTest : public ::testing::Test {
 protected:
  HandTestFormTest() { QCoreApplication::setApplicationName(kTitle); }

  std::vector<std::string> Trace() const {
    return test::SplitLines(test::ReadFileBytes(dir_.File(SimulatedHand::kTraceFileName)));
  }
  bool TagOnEncoder() const {
    return std::filesystem::exists(dir_.File(SimulatedHand::kCardFileName));
  }

  MessageBoxRecorder boxes_;
  test::TempDir dir_;
  TSysOption sysOption_{dir_.File("Option.ini")};
  test::FixedClock clock_{MakeDateTime(2008, 3, 15, 14, 0, 30)};
  TLogFile log_{dir_.File("20080315.LOG"), sysOption_, clock_};
  TDoorlockRecordManager store_{dir_.File(TDoorlockRecordManager::kFileName), log_};
  SharedOption option_{TOption()};
  TBaseHand* installed_ = &device_;
  SimulatedHand device_{dir_.Path().string()};
};

TEST_F(HandTestFormTest, OpensWithTheDoorlockDialogsLookAndItsDefaults) {
  THandTestForm form{HandTestActions(installed_, clock_)};

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
  EXPECT_TRUE(form.HandNoTxt->text().isEmpty());

  QStringList labels;
  for (const QLabel* label : form.findChildren<QLabel*>()) {
    if (label != form.ResultLbl) labels << label->text();  // the result line, empty on opening
  }
  EXPECT_TRUE(form.ResultLbl->text().isEmpty());
  EXPECT_THAT(labels,
              ::testing::UnorderedElementsAre(QStringLiteral("楼号:"), QStringLiteral("楼层:"),
                                              QStringLiteral("房号:"), QStringLiteral("起始时间："),
                                              QStringLiteral("到"), QStringLiteral("卡号")));
  // Opening touches nothing on the device.
  EXPECT_THAT(Trace(), IsEmpty());
}

TEST_F(HandTestFormTest, OpenedBeforeOneOClockTheCheckInIsOnThePreviousDay) {
  clock_.Set(MakeDateTime(2008, 3, 1, 0, 20, 5));
  THandTestForm form{HandTestActions(installed_, clock_)};

  EXPECT_EQ(form.CheckInDateTimeTxt->text(), QStringLiteral("2008-02-29 23:20:05"));
  EXPECT_EQ(form.CheckOutDateTimeTxt->text(), QStringLiteral("2008-03-03 00:20:05"));
}

TEST_F(HandTestFormTest, TabVisitsTheControlsInTheirEstablishedOrder) {
  THandTestForm form{HandTestActions(installed_, clock_)};

  EXPECT_EQ(TabChain(form, form.OpenPortBtn),
            (QList<QWidget*>{form.OpenPortBtn, form.ClosePortBtn, form.HandNoTxt, form.RoomNoTxt,
                             form.RoomFloorCodeTxt, form.RoomBuildingCodeTxt, form.ReadCardBtn,
                             form.WriteCardBtn, form.EraseCardBtn, form.CheckInDateTimeTxt,
                             form.CheckOutDateTimeTxt, form.beepBtn, form.IsCopyCheckBox}));
}

TEST_F(HandTestFormTest, WriteReadAndEraseShowTheHandNumberTheDeviceGaveBack) {
  THandTestForm form{HandTestActions(installed_, clock_)};

  form.WriteCardBtn->click();
  EXPECT_EQ(form.HandNoTxt->text(), QStringLiteral("1"));
  form.WriteCardBtn->click();
  EXPECT_EQ(form.HandNoTxt->text(), QStringLiteral("2"));
  form.HandNoTxt->clear();
  form.ReadCardBtn->click();
  EXPECT_EQ(form.HandNoTxt->text(), QStringLiteral("2"));
  form.HandNoTxt->setText(QStringLiteral("9"));
  form.EraseCardBtn->click();
  EXPECT_EQ(form.HandNoTxt->text(), QStringLiteral("2"));
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("销卡成功：手牌号 2"));
  EXPECT_FALSE(TagOnEncoder());
  form.ReadCardBtn->click();
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("读卡失败"));

  EXPECT_THAT(Trace(), ElementsAre("WriteCard", "WriteCard", "ReadCard", "EraseCard", "ReadCard"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(HandTestFormTest, AFailedReadEmptiesTheBoxWhenTheDeviceReturnedNothing) {
  THandTestForm form{HandTestActions(installed_, clock_)};
  form.HandNoTxt->setText(QStringLiteral("5"));

  form.ReadCardBtn->click();
  EXPECT_TRUE(form.HandNoTxt->text().isEmpty());
  form.HandNoTxt->setText(QStringLiteral("5"));
  form.EraseCardBtn->click();
  EXPECT_TRUE(form.HandNoTxt->text().isEmpty());

  EXPECT_THAT(Trace(), ElementsAre("ReadCard", "EraseCard"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(HandTestFormTest, AFailedOperationStillShowsTheNumberTheDeviceLeft) {
  test::FakeHand scripted;
  scripted.result = false;
  scripted.number = AnsiFromUtf8("手-07");
  installed_ = &scripted;
  THandTestForm form{HandTestActions(installed_, clock_)};

  form.ReadCardBtn->click();
  EXPECT_EQ(form.HandNoTxt->text(), QStringLiteral("手-07"));
  scripted.number = "08";
  form.WriteCardBtn->click();
  EXPECT_EQ(form.HandNoTxt->text(), QStringLiteral("08"));
  scripted.number = "09";
  form.EraseCardBtn->click();
  EXPECT_EQ(form.HandNoTxt->text(), QStringLiteral("09"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(HandTestFormTest, NoOperationReadsTheRoomTimeCopyOrHandNumberControls) {
  test::FakeHand scripted;
  scripted.result = false;
  scripted.number = "";
  installed_ = &scripted;
  THandTestForm form{HandTestActions(installed_, clock_)};
  form.RoomBuildingCodeTxt->setText(QStringLiteral("x"));
  form.RoomFloorCodeTxt->clear();
  form.RoomNoTxt->setText(QStringLiteral("<&>"));
  form.CheckInDateTimeTxt->setText(QStringLiteral("not a time"));
  form.CheckOutDateTimeTxt->setText(QStringLiteral("2008-02-30 12:00:00"));
  form.IsCopyCheckBox->setChecked(true);

  for (QPushButton* button : {form.WriteCardBtn, form.ReadCardBtn, form.EraseCardBtn}) {
    form.HandNoTxt->setText(QStringLiteral("typed"));
    button->click();
  }

  // Every operation got an emptied hand number, and no bad time was complained about.
  EXPECT_THAT(scripted.calls, ElementsAre("WriteCard()", "ReadCard()", "EraseCard()"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(HandTestFormTest, PortAndBeepButtonsCallTheDeviceAndShowNothing) {
  THandTestForm form{HandTestActions(installed_, clock_)};

  form.OpenPortBtn->click();
  form.beepBtn->click();
  form.ClosePortBtn->click();

  EXPECT_THAT(Trace(), ElementsAre("OpenPort", "Beep", "ClosePort"));
  EXPECT_TRUE(form.HandNoTxt->text().isEmpty());
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(HandTestFormTest, AnErrorTheDeviceRaisesIsShownTitledWithTheApplicationTitle) {
  test::FakeHand scripted;
  scripted.raise = AnsiFromUtf8("手牌设备未连接");
  installed_ = &scripted;
  THandTestForm form{HandTestActions(installed_, clock_)};
  form.HandNoTxt->setText(QStringLiteral("3"));

  form.ReadCardBtn->click();

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, kTitle);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("手牌设备未连接"));
  // The old number went before the device was asked, so nothing stale stays on screen.
  EXPECT_TRUE(form.HandNoTxt->text().isEmpty());
  EXPECT_TRUE(form.isEnabled());
}

}  // namespace
}  // namespace keydesk
