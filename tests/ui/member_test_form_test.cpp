#include "ui/member_test_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/log_file.h"
#include "core/sys_option.h"
#include "devices/simulated_member.h"
#include "doorlock/option.h"
#include "fakes/fake_member.h"
#include "fixed_clock.h"
#include "message_box_recorder.h"
#include "platform/code_page.h"
#include "platform/field_file.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "tab_chain.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using test::TabChain;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QString kTitle = QStringLiteral("MarveskOxbel会员卡接口");
const QString kHotelCard = QStringLiteral("酒店会员卡");
const QString kAllianceCard = QStringLiteral("Marvesk联盟卡");

// The dialog over the simulated member-card device in the test's folder.
class MemberTestFormTest : public ::testing::Test {
 protected:
  MemberTestFormTest() { QCoreApplication::setApplicationName(kTitle); }

  std::vector<std::string> Trace() const {
    return test::SplitLines(test::ReadFileBytes(dir_.File(SimulatedMember::kTraceFileName)));
  }
  std::string Printed() const {
    return test::ReadFileBytes(dir_.File(SimulatedMember::kPrintFileName));
  }
  // Lays a card on the simulated encoder, written through the hotel's own channel.
  void LayCard(const std::string& cardNo, const std::string& password) {
    FieldRecord card;
    card.Set("CardNo", cardNo);
    card.Set("Password", password);
    card.Set("Channel", "-1");
    ASSERT_TRUE(FieldFile(dir_.File(SimulatedMember::kCardFileName)).Write(card));
  }

  MessageBoxRecorder boxes_;
  test::TempDir dir_;
  TSysOption sysOption_{dir_.File("Option.ini")};
  test::FixedClock clock_{test::MakeDateTime(2008, 3, 15, 14, 0, 30)};
  TLogFile log_{dir_.File("20080315.LOG"), sysOption_, clock_};
  TDoorlockRecordManager store_{dir_.File(TDoorlockRecordManager::kFileName), log_};
  SharedOption option_{TOption()};
  TBaseMember* installed_ = &device_;
  SimulatedMember device_{dir_.Path().string()};
};

TEST_F(MemberTestFormTest, OpensWithTheHotelCardChosenAndEmptyBoxes) {
  TMemberTestForm form{MemberTestActions(installed_)};

  EXPECT_EQ(form.windowTitle(), QStringLiteral("测试"));
  EXPECT_EQ(form.size(), QSize(441, 311));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.OpenPortBtn->text(), QStringLiteral("打开串口"));
  EXPECT_EQ(form.beepBtn->text(), QStringLiteral("Beep"));
  EXPECT_EQ(form.ClosePortBtn->text(), QStringLiteral("关闭串口"));
  EXPECT_EQ(form.ReadCardBtn->text(), QStringLiteral("读卡"));
  EXPECT_EQ(form.WriteCardBtn->text(), QStringLiteral("写卡"));
  EXPECT_EQ(form.PrintCardBtn->text(), QStringLiteral("打印卡"));
  EXPECT_TRUE(form.ChannelCmb->isEditable());
  ASSERT_EQ(form.ChannelCmb->count(), 2);
  EXPECT_EQ(form.ChannelCmb->itemText(0), kHotelCard);
  EXPECT_EQ(form.ChannelCmb->itemText(1), kAllianceCard);
  EXPECT_EQ(form.ChannelCmb->currentIndex(), 0);
  EXPECT_EQ(form.ChannelCmb->currentText(), kHotelCard);
  EXPECT_TRUE(form.CardNoEdit->text().isEmpty());
  EXPECT_TRUE(form.PasswordEdit->text().isEmpty());

  QStringList labels;
  for (const QLabel* label : form.findChildren<QLabel*>()) {
    if (label != form.ResultLbl) labels << label->text();  // the result line, empty on opening
  }
  EXPECT_TRUE(form.ResultLbl->text().isEmpty());
  EXPECT_THAT(labels, ::testing::UnorderedElementsAre(
                          QStringLiteral("类型"), QStringLiteral("卡号"), QStringLiteral("密码:")));
  EXPECT_THAT(Trace(), IsEmpty());
}

TEST_F(MemberTestFormTest, TabVisitsTheControlsInTheirEstablishedOrder) {
  TMemberTestForm form{MemberTestActions(installed_)};

  EXPECT_EQ(TabChain(form, form.OpenPortBtn),
            (QList<QWidget*>{form.OpenPortBtn, form.ClosePortBtn, form.CardNoEdit,
                             form.PasswordEdit, form.ReadCardBtn, form.WriteCardBtn, form.beepBtn,
                             form.ChannelCmb, form.PrintCardBtn}));
}

TEST_F(MemberTestFormTest, TheHotelCardPassesMinusOneAndTheAllianceCardEleven) {
  TMemberTestForm form{MemberTestActions(installed_)};

  form.WriteCardBtn->click();
  form.ReadCardBtn->click();
  form.ChannelCmb->setCurrentIndex(1);
  form.WriteCardBtn->click();
  form.ReadCardBtn->click();
  form.ChannelCmb->setCurrentIndex(0);
  form.ReadCardBtn->click();
  // The card was last written for the alliance: the hotel's channel cannot read it.
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("读卡失败"));

  // The read flag is always false.
  EXPECT_THAT(Trace(), ElementsAre("WriteCard -1", "ReadCard 0 -1", "WriteCard 11", "ReadCard 0 11",
                                   "ReadCard 0 -1"));
}

TEST_F(MemberTestFormTest, TypedOrClearedChannelTextPassesElevenAndAddsNoItem) {
  TMemberTestForm form{MemberTestActions(installed_)};

  form.ChannelCmb->setEditText(QStringLiteral("酒店会员卡 "));
  form.WriteCardBtn->click();
  form.ChannelCmb->clearEditText();
  form.ReadCardBtn->click();
  form.ChannelCmb->lineEdit()->setText(QStringLiteral("VIP"));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(form.ChannelCmb->lineEdit(), &enter);
  form.WriteCardBtn->click();
  form.ChannelCmb->setEditText(kHotelCard);
  form.WriteCardBtn->click();

  EXPECT_THAT(Trace(),
              ElementsAre("WriteCard 11", "ReadCard 0 11", "WriteCard 11", "WriteCard -1"));
  EXPECT_EQ(form.ChannelCmb->count(), 2);
}

TEST_F(MemberTestFormTest, WriteStoresTheCardNumberWithEmptyTextsAndReadShowsItBack) {
  TMemberTestForm form{MemberTestActions(installed_)};
  form.CardNoEdit->setText(QStringLiteral("会员1001"));
  form.PasswordEdit->setText(QStringLiteral("not written"));

  form.WriteCardBtn->click();
  const std::optional<FieldRecord> card =
      FieldFile(dir_.File(SimulatedMember::kCardFileName)).Read();
  ASSERT_TRUE(card.has_value());
  EXPECT_EQ(card->Get("CardNo"), AnsiFromUtf8("会员1001"));
  EXPECT_EQ(card->Get("GuestName"), "");
  EXPECT_EQ(card->Get("Password"), "");
  EXPECT_EQ(card->Get("ExpireDate"), "");

  form.CardNoEdit->clear();
  form.ReadCardBtn->click();
  EXPECT_EQ(form.CardNoEdit->text(), QStringLiteral("会员1001"));
  EXPECT_TRUE(form.PasswordEdit->text().isEmpty());
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MemberTestFormTest, AReadShowsTheCardNumberAndPasswordRead) {
  LayCard("2002", "9876");
  TMemberTestForm form{MemberTestActions(installed_)};

  form.ReadCardBtn->click();

  EXPECT_EQ(form.CardNoEdit->text(), QStringLiteral("2002"));
  EXPECT_EQ(form.PasswordEdit->text(), QStringLiteral("9876"));
}

TEST_F(MemberTestFormTest, AFailedReadStillOverwritesBothBoxesWithWhatTheDeviceReturned) {
  // Read through the other channel, the device sees the card number only, and fails.
  LayCard("2002", "9876");
  TMemberTestForm form{MemberTestActions(installed_)};
  form.ChannelCmb->setCurrentIndex(1);
  form.CardNoEdit->setText(QStringLiteral("old"));
  form.PasswordEdit->setText(QStringLiteral("old"));

  form.ReadCardBtn->click();
  EXPECT_EQ(form.CardNoEdit->text(), QStringLiteral("2002"));
  EXPECT_TRUE(form.PasswordEdit->text().isEmpty());

  test::FakeMember scripted;
  scripted.result = false;
  scripted.cardNo = "3003";
  scripted.password = AnsiFromUtf8("密1");
  TMemberTestForm scriptedForm{MemberTestActions(&scripted)};
  scriptedForm.CardNoEdit->setText(QStringLiteral("old"));
  scriptedForm.PasswordEdit->setText(QStringLiteral("old"));
  scriptedForm.ReadCardBtn->click();
  EXPECT_EQ(scriptedForm.CardNoEdit->text(), QStringLiteral("3003"));
  EXPECT_EQ(scriptedForm.PasswordEdit->text(), QStringLiteral("密1"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MemberTestFormTest, AFailedReadOfNoCardEmptiesBothBoxes) {
  TMemberTestForm form{MemberTestActions(installed_)};
  form.CardNoEdit->setText(QStringLiteral("1001"));
  form.PasswordEdit->setText(QStringLiteral("123"));

  form.ReadCardBtn->click();

  EXPECT_TRUE(form.CardNoEdit->text().isEmpty());
  EXPECT_TRUE(form.PasswordEdit->text().isEmpty());
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MemberTestFormTest, PrintSendsTheFixedNumberAndTextWhateverTheDialogHolds) {
  TMemberTestForm form{MemberTestActions(installed_)};
  const std::string job =
      "CardNo 88888888\r\n" + AnsiFromUtf8("\r\n当前消费:100\r\n卡内余额:300") + "\r\n";

  form.PrintCardBtn->click();
  form.CardNoEdit->setText(QStringLiteral("1001"));
  form.PasswordEdit->setText(QStringLiteral("secret"));
  form.ChannelCmb->setCurrentIndex(1);
  form.PrintCardBtn->click();

  EXPECT_EQ(Printed(), job + job);
  EXPECT_THAT(Trace(), ElementsAre("PrintCard", "PrintCard"));
  EXPECT_EQ(form.CardNoEdit->text(), QStringLiteral("1001"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MemberTestFormTest, PortAndBeepButtonsCallTheDeviceAndShowNothing) {
  TMemberTestForm form{MemberTestActions(installed_)};

  form.OpenPortBtn->click();
  form.beepBtn->click();
  form.ClosePortBtn->click();

  EXPECT_THAT(Trace(), ElementsAre("OpenPort", "Beep", "ClosePort"));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MemberTestFormTest, AnErrorTheDeviceRaisesIsShownTitledWithTheApplicationTitle) {
  test::FakeMember scripted;
  scripted.raise = AnsiFromUtf8("会员卡设备未连接");
  installed_ = &scripted;
  TMemberTestForm form{MemberTestActions(installed_)};
  form.CardNoEdit->setText(QStringLiteral("1001"));

  form.ReadCardBtn->click();
  form.PrintCardBtn->click();

  ASSERT_EQ(boxes_.Shown().size(), 2u);
  for (const MessageBox::Shown& shown : boxes_.Shown()) {
    EXPECT_EQ(shown.icon, MessageBox::Icon::Error);
    EXPECT_EQ(shown.caption, kTitle);
    EXPECT_EQ(shown.text, QStringLiteral("会员卡设备未连接"));
  }
  // The old number went before the device was asked, so nothing stale stays on screen.
  EXPECT_TRUE(form.CardNoEdit->text().isEmpty());
}

}  // namespace
}  // namespace keydesk
