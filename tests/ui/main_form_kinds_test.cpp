// The main window for every interface kind: titles, the about box, and what Options and Test
// do with each kind's device, over the real start-up objects and the simulated devices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <string>

#include "app/device_options.h"
#include "core/interface_kind.h"
#include "devices/simulated_police.h"
#include "kinds/service_context.h"
#include "message_box_recorder.h"
#include "modal_script.h"
#include "platform/code_page.h"
#include "platform/profile_file.h"
#include "test_application.h"
#include "ui/about_form.h"
#include "ui/check_password_form.h"
#include "ui/main_form.h"
#include "ui/option_form.h"
#include "ui/test_panel_form.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using test::ModalScript;
using ::testing::IsEmpty;

std::function<void(TCheckPasswordForm&)> Enter(const QString& password) {
  return [password](TCheckPasswordForm& form) {
    form.edtPswd->setText(password);
    form.btnOK->click();
  };
}

void Cancel(TCheckPasswordForm& form) { form.btnCancel->click(); }

struct KindCase {
  int kind;
  const char* title;
  const char* startLine;
  const char* testDialog;  // the dialog that Test opens; empty for a message box
};

const KindCase kKinds[] = {
    {1, "MarveskOxbel门锁接口", "门锁接口监听服务器已经启动...", "TDoorlockTestForm"},
    {2, "MarveskOxbel公安接口", "公安接口监听服务器已经启动...", ""},
    {3, "MarveskOxbel会员卡接口", "会员卡接口监听服务器已经启动...", "TMemberTestForm"},
    {4, "MarveskOxbel手牌接口", "手牌接口监听服务器已经启动...", "THandTestForm"},
};

std::string KindName(const ::testing::TestParamInfo<KindCase>& info) {
  return "Kind" + std::to_string(info.param.kind);
}

// The window of one kind with its simulated device (the door lock driver for kind 1).
class MainFormKindTest : public ::testing::TestWithParam<KindCase> {
 protected:
  QString Title() const { return QString::fromUtf8(GetParam().title); }

  MessageBoxRecorder boxes_;
  test::TestApplication application_{0, GetParam().kind};
  Desk desk_{application_.Context(), application_.Kind()};
  std::unique_ptr<TMainForm> form_ = std::make_unique<TMainForm>(desk_);
};

TEST_P(MainFormKindTest, OpensWithTheKindsTitleStartLineAndListener) {
  EXPECT_EQ(form_->windowTitle(), Title());
  EXPECT_EQ(QCoreApplication::applicationName(), Title());
  EXPECT_EQ(form_->InfoMemo->toPlainText(), QString::fromUtf8(GetParam().startLine));
  EXPECT_TRUE(desk_.Listening());
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_P(MainFormKindTest, AboutNamesTheKindsInterface) {
  QString caption;
  QString appTitle;
  ModalScript script;
  script.Then<TAboutForm>([&](TAboutForm& form) {
    caption = form.windowTitle();
    appTitle = form.lblAppTitle->text();
    form.btnOK->click();
  });

  form_->Action(DeskCommand::About)->trigger();

  EXPECT_EQ(caption, QStringLiteral("关于 ") + Title());
  EXPECT_EQ(appTitle, Title());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
}

TEST_P(MainFormKindTest, TestNeverAsksForThePassword) {
  QStringList opened;
  ModalScript script;
  // Any dialog at all is recorded, a password prompt included.
  script.Then<QDialog>([&opened](QDialog& dialog) {
    opened << dialog.objectName();
    dialog.reject();
  });

  form_->Action(DeskCommand::Test)->trigger();

  const QString expected = QString::fromUtf8(GetParam().testDialog);
  EXPECT_EQ(opened, expected.isEmpty() ? QStringList() : QStringList{expected});
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  // The police kind answers with a message box instead of a dialog.
  EXPECT_EQ(boxes_.Shown().size(), expected.isEmpty() ? 1u : 0u);
}

TEST_P(MainFormKindTest, OptionsAsksForThePasswordEveryTimeBeforeTheDevicesOptions) {
  const bool doorlock = GetParam().kind == kDoorlockKind;
  int optionForms = 0;
  auto closeOptions = [&optionForms](TOptionForm& form) {
    ++optionForms;
    form.btnCancelBtn->click();
  };
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel).Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")));
  if (doorlock) script.Then<TOptionForm>(closeOptions);
  script.Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")));
  if (doorlock) script.Then<TOptionForm>(closeOptions);

  form_->Action(DeskCommand::Options)->trigger();
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
  form_->Action(DeskCommand::Options)->trigger();
  form_->Action(DeskCommand::Options)->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  if (doorlock) {
    EXPECT_EQ(optionForms, 2);
    EXPECT_THAT(boxes_.Shown(), IsEmpty());
  } else {
    // The simulated devices have nothing to set, and say so.
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    for (const MessageBox::Shown& shown : boxes_.Shown()) {
      EXPECT_EQ(shown.icon, MessageBox::Icon::Information);
      EXPECT_EQ(shown.caption, QStringLiteral("提示"));
      EXPECT_EQ(shown.text, QString::fromUtf8(kNoDeviceOptions.Text));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, MainFormKindTest, ::testing::ValuesIn(kKinds), KindName);

// The window of one kind started without its device.
class MainFormWithoutDeviceTest : public ::testing::TestWithParam<KindCase> {
 protected:
  MessageBoxRecorder boxes_;
  test::TestApplication application_{0, GetParam().kind, false};
  Desk desk_{application_.Context(), application_.Kind()};
  std::unique_ptr<TMainForm> form_ = std::make_unique<TMainForm>(desk_);
};

TEST_P(MainFormWithoutDeviceTest, OptionsStillAsksForThePasswordThenTestAndOptionsShowNothing) {
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")));

  form_->Action(DeskCommand::Options)->trigger();
  form_->Action(DeskCommand::Test)->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, MainFormWithoutDeviceTest, ::testing::ValuesIn(kKinds),
                         KindName);

const QString kPoliceTitle = QStringLiteral("MarveskOxbel公安接口");

// The police kind's Test command over the simulated police system's guest file.
class MainFormPoliceTest : public ::testing::Test {
 protected:
  void Offer(const std::string& key, const std::string& utf8Value) {
    ProfileFile(application_.File(SimulatedPolice::kGuestFileName))
        .WriteString("Guest", key, AnsiFromUtf8(utf8Value));
  }
  void OfferGuest(const std::string& genderId) {
    Offer("RoomNo", "0108");
    Offer("EnterTime", "2008-08-18 14:00:00");
    Offer("IdCardTypeID", "99");
    Offer("IdCardNo", "110101199001011234");
    Offer("Name", "王小明");
    Offer("Nationality", "汉");
    Offer("GenderID", genderId);
    Offer("SalutationID", "7");
    Offer("CountryCode", "CHN");
    Offer("ProvinceCode", "11");
    Offer("Address", "北京市东城区1号");
    Offer("Birthday", "1990-01-01");
  }

  MessageBoxRecorder boxes_;
  test::TestApplication application_{0, kPoliceKind};
  Desk desk_{application_.Context(), application_.Kind()};
  std::unique_ptr<TMainForm> form_ = std::make_unique<TMainForm>(desk_);
};

TEST_F(MainFormPoliceTest, TestShowsTheGuestFragmentInAPlainBoxTitledWithTheApplication) {
  OfferGuest("1");

  form_->Action(DeskCommand::Test)->trigger();

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::None);
  EXPECT_EQ(boxes_.Shown()[0].caption, kPoliceTitle);
  EXPECT_EQ(boxes_.Shown()[0].text,
            QStringLiteral("<Guest><RoomNo>0108</RoomNo><EnterTime>2008-08-18 14:00:00</EnterTime>"
                           "<IdCardTypeID>11</IdCardTypeID><IdCardNo>110101199001011234</IdCardNo>"
                           "<Name>王小明</Name><Nationality>汉</Nationality><GenderID>1</GenderID>"
                           "<SalutationID>2</SalutationID><CountryCode>CHN</CountryCode>"
                           "<ProvinceCode>11</ProvinceCode><Address>北京市东城区1号</Address>"
                           "<Birthday>1990-01-01</Birthday></Guest>"));
}

TEST_F(MainFormPoliceTest, TestWithoutAGuestSaysThereIsNoGuestRegistration) {
  form_->Action(DeskCommand::Test)->trigger();

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::None);
  EXPECT_EQ(boxes_.Shown()[0].caption, kPoliceTitle);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("当前没有客人登记信息。"));
}

TEST_F(MainFormPoliceTest, ANonIntegerGenderIsShownInTheErrorBoxAndTheWindowKeepsServing) {
  OfferGuest("男");

  form_->Action(DeskCommand::Test)->trigger();

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, kPoliceTitle);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("'男' is not a valid integer value"));
  EXPECT_TRUE(desk_.Listening());

  // Mended, the next Test shows the guest.
  boxes_.Clear();
  Offer("GenderID", "9");
  form_->Action(DeskCommand::Test)->trigger();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_TRUE(boxes_.Shown()[0].text.contains(
      QStringLiteral("<GenderID>9</GenderID><SalutationID>10</SalutationID>")));
}

TEST(MainFormMemberTest, TheTestDialogStartsAfreshAtEveryShowing) {
  MessageBoxRecorder boxes;
  test::TestApplication application(0, kMemberKind);
  Desk desk(application.Context(), application.Kind());
  TMainForm form(desk);
  QString channel;
  QString cardNo;
  ModalScript script;
  script
      .Then<TTestPanelForm>([](TTestPanelForm& dialog) {
        dialog.findChild<QComboBox*>(QStringLiteral("ChannelCmb"))->setCurrentIndex(1);
        dialog.findChild<QLineEdit*>(QStringLiteral("CardNoEdit"))->setText(QStringLiteral("1001"));
        dialog.reject();
      })
      .Then<TTestPanelForm>([&](TTestPanelForm& dialog) {
        channel = dialog.findChild<QComboBox*>(QStringLiteral("ChannelCmb"))->currentText();
        cardNo = dialog.findChild<QLineEdit*>(QStringLiteral("CardNoEdit"))->text();
        dialog.reject();
      });

  form.Action(DeskCommand::Test)->trigger();
  form.Action(DeskCommand::Test)->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(channel, QStringLiteral("酒店会员卡"));
  EXPECT_TRUE(cardNo.isEmpty());
}

TEST(MainFormHandTest, TheTestDialogIsModalAndCentredOverTheWindow) {
  MessageBoxRecorder boxes;
  test::TestApplication application(0, kHandKind);
  Desk desk(application.Context(), application.Kind());
  TMainForm form(desk);
  form.move(0, 0);
  form.show();
  QWidget* owner = nullptr;
  QPoint centre;
  bool modal = false;
  ModalScript script;
  script.Then<TTestPanelForm>([&](TTestPanelForm& dialog) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("THandTestForm"));
    owner = dialog.parentWidget();
    centre = dialog.frameGeometry().center();
    modal = dialog.isModal();
    dialog.reject();
  });

  form.Action(DeskCommand::Test)->trigger();

  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(owner, &form);
  EXPECT_TRUE(modal);
  EXPECT_LE((centre - form.frameGeometry().center()).manhattanLength(), 2)
      << centre.x() << "," << centre.y();
}

}  // namespace
}  // namespace keydesk
