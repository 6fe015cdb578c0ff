#include "ui/option_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <filesystem>

#include "doorlock/option.h"
#include "message_box_recorder.h"
#include "platform/code_page.h"
#include "platform/profile_file.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using ::testing::IsEmpty;

const QString kTitle = QStringLiteral("MarveskOxbel门锁接口");

QStringList Items(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

// Every field but the file name, for comparing whole options.
auto Fields(const TOption& o) {
  return std::tie(o.PortName, o.HotelPassword, o.LockTypeName, o.SectorNo, o.PowerSwitchSectorNo,
                  o.PowerSwitchPassword, o.PowerSwitchTypeName, o.ClientID, o.PubDoor, o.BeginAddr,
                  o.EndAddr, o.MaxLiftAddr, o.LiftData, o.VerifyAfterWrite);
}

class OptionFormTest : public ::testing::Test {
 protected:
  OptionFormTest() { QCoreApplication::setApplicationName(kTitle); }

  TOption Configured() const {
    TOption option(dir_.File("Option.ini"));
    option.PortName = "COM3";
    option.HotelPassword = AnsiFromUtf8("酒店572604");
    option.LockTypeName = "RW-26D";
    option.SectorNo = 11;
    option.PowerSwitchSectorNo = 12;
    option.PowerSwitchPassword = "FFFFFFFFFFFF";
    option.PowerSwitchTypeName = "8601-6M-57BA";
    option.ClientID = 123456;
    option.PubDoor = "10000000";
    option.BeginAddr = 90;
    option.EndAddr = 91;
    option.MaxLiftAddr = 99;
    option.LiftData = "C300";
    return option;
  }

  TOption Stored() const {
    TOption stored(dir_.File("Option.ini"));
    stored.Load();
    return stored;
  }

  // Presses "确定"; true when the dialog then ended with OK.
  static bool PressOK(TOptionForm& form) {
    form.btnOKBtn->click();
    return form.result() == QDialog::Accepted;
  }

  MessageBoxRecorder boxes_;
  test::TempDir dir_;
  SharedOption option_{TOption(dir_.File("Option.ini"))};
};

TEST_F(OptionFormTest, IsTheFixedDialogWithItsListsAndNote) {
  TOptionForm form(option_);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Pellor门锁接口配置"));
  EXPECT_EQ(form.size(), QSize(563, 346));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(Items(*form.cbbPortNameCmb),
            (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"}));
  EXPECT_FALSE(form.cbbPortNameCmb->isEditable());
  EXPECT_EQ(Items(*form.cbbLockTypeNameCmb),
            (QStringList{"RW-21", "RW-33", "RW-26D", "RW-41", "RW-Z49A"}));
  EXPECT_FALSE(form.cbbLockTypeNameCmb->isEditable());
  EXPECT_EQ(Items(*form.cbbPowerSwitchType), (QStringList{"8602-1M-57BA", "8601-6M-57BA"}));
  EXPECT_TRUE(form.cbbPowerSwitchType->isEditable());
  EXPECT_EQ(
      form.lblLiftDataNote->text(),
      QStringLiteral("     从左至右按位判断是否能够开启对应楼层号，如果能够开启则置1，否则置0。\n"
                     "最后再合并成十六进制的字符串。举例：宾客卡可以开启01、02、07、08号楼层，\n"
                     "该电梯可控制十六层，则置位二进制字符串为：\"1100 0011 0000 0000\"，转化为十\n"
                     "六进制字符串为：\"C300\""));
  EXPECT_LT(form.lblLiftDataNote->palette().color(QPalette::WindowText).lightness(), 80);
  EXPECT_EQ(form.btnOKBtn->text(), QStringLiteral("确定"));
  EXPECT_TRUE(form.btnOKBtn->isDefault());
  EXPECT_EQ(form.btnCancelBtn->text(), QStringLiteral("取消"));
}

// Each control's label is its key's caption, in the dialog's own spacing, and its help line
// is the key's.
TEST_F(OptionFormTest, EachControlIsLabelledAndExplainedByItsKeysDescription) {
  TOptionForm form(option_);
  size_t labelled = 0;
  for (const QLabel* label : form.findChildren<QLabel*>()) {
    if (label->buddy() == nullptr) continue;
    ++labelled;
    QString caption = label->text();
    caption.remove(QLatin1Char(' ')).remove(QStringLiteral("："));
    const auto key = std::find_if(DoorlockOptionKeys().begin(), DoorlockOptionKeys().end(),
                                  [&](const OptionKey& candidate) {
                                    return QString::fromUtf8(candidate.Caption) == caption;
                                  });
    ASSERT_NE(key, DoorlockOptionKeys().end()) << caption.toStdString();
    EXPECT_EQ(label->buddy()->toolTip(), QString::fromUtf8(key->Help)) << key->Name;
  }
  // Every key but the switch, which is captioned on its box.
  EXPECT_EQ(labelled, DoorlockOptionKeys().size() - 1);
  EXPECT_EQ(form.chkVerifyAfterWrite->toolTip(),
            QString::fromUtf8(DoorlockOptionKeys().back().Help));
}

TEST_F(OptionFormTest, ShowsTheOptionsInTheirControls) {
  option_.Set(Configured());
  TOptionForm form(option_);
  EXPECT_EQ(form.cbbPortNameCmb->currentText(), QStringLiteral("COM3"));
  EXPECT_EQ(form.cbbLockTypeNameCmb->currentText(), QStringLiteral("RW-26D"));
  EXPECT_EQ(form.cbbPowerSwitchType->currentIndex(), 1);
  EXPECT_EQ(form.edtSectorNoEdit->text(), QStringLiteral("11"));
  EXPECT_EQ(form.edtHotelPW->text(), QStringLiteral("酒店572604"));
  EXPECT_EQ(form.edtClientIdEdit->text(), QStringLiteral("123456"));
  EXPECT_EQ(form.edtPSSectorNo->text(), QStringLiteral("12"));
  EXPECT_EQ(form.edtPSPassword->text(), QStringLiteral("FFFFFFFFFFFF"));
  EXPECT_EQ(form.edtPubDoorEdit->text(), QStringLiteral("10000000"));
  EXPECT_EQ(form.edtBeginAddr->text(), QStringLiteral("90"));
  EXPECT_EQ(form.edtEndAddr->text(), QStringLiteral("91"));
  EXPECT_EQ(form.edtMaxLiftAddr->text(), QStringLiteral("99"));
  EXPECT_EQ(form.edtLiftData->text(), QStringLiteral("C300"));
}

TEST_F(OptionFormTest, OKWithoutChangesKeepsEveryValueSavesAndAsksForARestart) {
  option_.Set(Configured());
  TOptionForm form(option_);

  EXPECT_TRUE(PressOK(form));

  EXPECT_EQ(Fields(option_.Get()), Fields(Configured()));
  EXPECT_EQ(Fields(Stored()), Fields(Configured()));
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("请重新启动程序,以启用设置的参数！"));
}

TEST_F(OptionFormTest, OKTakesEveryEditedControl) {
  TOptionForm form(option_);
  form.cbbPortNameCmb->setCurrentText(QStringLiteral("COM5"));
  form.cbbLockTypeNameCmb->setCurrentText(QStringLiteral("RW-Z49A"));
  form.cbbPowerSwitchType->setEditText(QStringLiteral("自定义"));
  form.edtSectorNoEdit->setText(QStringLiteral("$1F"));
  form.edtHotelPW->setText(QStringLiteral("111111"));
  form.edtClientIdEdit->setText(QStringLiteral("77"));
  form.edtPSSectorNo->setText(QStringLiteral("-3"));
  form.edtPSPassword->setText(QStringLiteral("ABCDEF012345"));
  form.edtPubDoorEdit->setText(QStringLiteral("11111111"));
  form.edtBeginAddr->setText(QStringLiteral("1"));
  form.edtEndAddr->setText(QStringLiteral("2"));
  form.edtMaxLiftAddr->setText(QStringLiteral("3"));
  form.edtLiftData->setText(QStringLiteral("FFFF"));
  EXPECT_TRUE(form.chkVerifyAfterWrite->isChecked()) << "on unless set to 0";
  form.chkVerifyAfterWrite->setChecked(false);

  ASSERT_TRUE(PressOK(form));

  TOption expected(dir_.File("Option.ini"));
  expected.PortName = "COM5";
  expected.LockTypeName = "RW-Z49A";
  expected.PowerSwitchTypeName = AnsiFromUtf8("自定义");
  expected.SectorNo = 31;
  expected.HotelPassword = "111111";
  expected.ClientID = 77;
  expected.PowerSwitchSectorNo = -3;
  expected.PowerSwitchPassword = "ABCDEF012345";
  expected.PubDoor = "11111111";
  expected.BeginAddr = 1;
  expected.EndAddr = 2;
  expected.MaxLiftAddr = 3;
  expected.LiftData = "FFFF";
  expected.VerifyAfterWrite = false;
  EXPECT_EQ(Fields(option_.Get()), Fields(expected));
  EXPECT_EQ(Fields(Stored()), Fields(expected));
}

TEST_F(OptionFormTest, MatchesStoredNamesInAnyLetterCase) {
  TOption option = Configured();
  option.PortName = "com2";
  option.LockTypeName = "rw-41";
  option.PowerSwitchTypeName = "8602-1m-57ba";
  option_.Set(option);
  TOptionForm form(option_);

  EXPECT_EQ(form.cbbPortNameCmb->currentText(), QStringLiteral("COM2"));
  EXPECT_EQ(form.cbbLockTypeNameCmb->currentText(), QStringLiteral("RW-41"));
  EXPECT_EQ(form.cbbPowerSwitchType->currentIndex(), 0);
  ASSERT_TRUE(PressOK(form));
  EXPECT_EQ(option_.Get().PortName, "COM2");
  EXPECT_EQ(option_.Get().LockTypeName, "RW-41");
  EXPECT_EQ(option_.Get().PowerSwitchTypeName, "8602-1M-57BA");
}

TEST_F(OptionFormTest, UnlistedNamesShowNoSelectionAndOKStoresThemEmpty) {
  TOption option = Configured();
  option.PortName = "COM8";
  option.LockTypeName = "IC";
  option.PowerSwitchTypeName = "";
  option_.Set(option);
  TOptionForm form(option_);

  EXPECT_EQ(form.cbbPortNameCmb->currentIndex(), -1);
  EXPECT_EQ(form.cbbLockTypeNameCmb->currentIndex(), -1);
  EXPECT_EQ(form.cbbPowerSwitchType->currentIndex(), -1);
  EXPECT_TRUE(form.cbbPowerSwitchType->currentText().isEmpty());
  ASSERT_TRUE(PressOK(form));
  EXPECT_EQ(option_.Get().PortName, "");
  EXPECT_EQ(option_.Get().LockTypeName, "");
  EXPECT_EQ(Stored().PortName, "");
  EXPECT_EQ(Stored().LockTypeName, "");
}

TEST_F(OptionFormTest, ATypedPowerSwitchNameSurvivesTheNextOpening) {
  TOption option = Configured();
  option.PowerSwitchTypeName = "8603-X";
  option_.Set(option);
  TOptionForm form(option_);

  EXPECT_EQ(form.cbbPowerSwitchType->currentIndex(), -1);
  EXPECT_EQ(form.cbbPowerSwitchType->currentText(), QStringLiteral("8603-X"));
  ASSERT_TRUE(PressOK(form));
  EXPECT_EQ(option_.Get().PowerSwitchTypeName, "8603-X");
}

TEST_F(OptionFormTest, AClientIdOfAllOnesIsStoredAsMinusOneAndShownUnsigned) {
  {
    TOptionForm form(option_);
    form.edtClientIdEdit->setText(QStringLiteral("4294967295"));
    ASSERT_TRUE(PressOK(form));
  }
  EXPECT_EQ(option_.Get().ClientID, 4294967295u);
  EXPECT_EQ(ProfileFile(dir_.File("Option.ini")).ReadString("DoorlockOption", "ClientID", ""),
            "-1");

  SharedOption reloaded{Stored()};
  TOptionForm again(reloaded);
  EXPECT_EQ(again.edtClientIdEdit->text(), QStringLiteral("4294967295"));
}

TEST_F(OptionFormTest, AClientIdBeyond32BitsKeepsItsLow32Bits) {
  TOptionForm form(option_);
  form.edtClientIdEdit->setText(QStringLiteral("4294967296"));
  ASSERT_TRUE(PressOK(form));
  EXPECT_EQ(option_.Get().ClientID, 0u);
}

struct IntegerControl {
  const char* name;
  QLineEdit* TOptionForm::*control;
  const char* label;  // as the message names the field
};

// Whichever integer control holds the bad text, nothing at all is taken or saved.
class OptionFormBadIntegerTest : public OptionFormTest,
                                 public ::testing::WithParamInterface<IntegerControl> {};

TEST_P(OptionFormBadIntegerTest, RefusesItWithoutChangingAnything) {
  option_.Set(Configured());
  TOptionForm form(option_);
  form.edtBeginAddr->setText(QStringLiteral("1"));
  form.edtEndAddr->setText(QStringLiteral("2"));
  form.edtMaxLiftAddr->setText(QStringLiteral("3"));
  form.edtHotelPW->setText(QStringLiteral("000000"));
  form.cbbPortNameCmb->setCurrentText(QStringLiteral("COM1"));
  form.edtLiftData->setText(QStringLiteral("0001"));
  (form.*GetParam().control)->setText(QStringLiteral("12a"));

  EXPECT_FALSE(PressOK(form));

  EXPECT_EQ(Fields(option_.Get()), Fields(Configured()));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Option.ini")));
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, kTitle);
  // The system's text, then the field in Chinese.
  EXPECT_EQ(boxes_.Shown()[0].text,
            QStringLiteral("'12a' is not a valid integer value\n“%1”要填写整数，现在是“12a”。")
                .arg(QString::fromUtf8(GetParam().label)));
}

INSTANTIATE_TEST_SUITE_P(
    EveryIntegerControl, OptionFormBadIntegerTest,
    ::testing::Values(
        IntegerControl{"BeginAddr", &TOptionForm::edtBeginAddr, "电梯起始地址"},
        IntegerControl{"EndAddr", &TOptionForm::edtEndAddr, "电梯结束地址"},
        IntegerControl{"MaxLiftAddr", &TOptionForm::edtMaxLiftAddr, "所有电梯最大地址"},
        IntegerControl{"SectorNo", &TOptionForm::edtSectorNoEdit, "扇区号"},
        IntegerControl{"ClientID", &TOptionForm::edtClientIdEdit, "客户标识"},
        IntegerControl{"PowerSwitchSectorNo", &TOptionForm::edtPSSectorNo, "取电扇区号"}),
    [](const ::testing::TestParamInfo<IntegerControl>& info) { return info.param.name; });

TEST_F(OptionFormTest, CancelChangesNothing) {
  option_.Set(Configured());
  TOptionForm form(option_);
  form.edtBeginAddr->setText(QStringLiteral("1"));
  form.edtHotelPW->setText(QStringLiteral("000000"));

  form.btnCancelBtn->click();

  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(Fields(option_.Get()), Fields(Configured()));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Option.ini")));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(OptionFormTest, ASaveFailureIsShownAndTheDialogStays) {
  TOption option = Configured();
  option.FileName = dir_.File("missing/Option.ini");
  option_.Set(option);
  TOptionForm form(option_);

  EXPECT_FALSE(PressOK(form));

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, kTitle);
  EXPECT_EQ(boxes_.Shown()[0].text,
            QStringLiteral("Unable to write to ") + QString::fromStdString(option.FileName));
}

}  // namespace
}  // namespace keydesk
