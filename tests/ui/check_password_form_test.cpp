#include "ui/check_password_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "core/sys_option.h"
#include "message_box_recorder.h"
#include "modal_script.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using test::ModalScript;
using ::testing::IsEmpty;

class CheckPasswordFormTest : public ::testing::Test {
 protected:
  // Types entry, presses "确定" and tells whether the prompt then ended with OK.
  bool Accepts(const QString& entry) {
    TCheckPasswordForm form(sysOption_, nullptr);
    form.edtPswd->setText(entry);
    form.btnOK->click();
    return form.result() == QDialog::Accepted;
  }

  MessageBoxRecorder boxes_;
  TSysOption sysOption_{"unused.ini"};
};

TEST_F(CheckPasswordFormTest, IsTheFixedMaskedPromptWithTheFocusOnTheEntry) {
  TCheckPasswordForm form(sysOption_, nullptr);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("请输入管理员密码"));
  EXPECT_EQ(form.size(), QSize(306, 140));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.edtPswd->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(form.edtPswd->text().isEmpty());
  EXPECT_EQ(form.btnOK->text(), QStringLiteral("确定"));
  EXPECT_TRUE(form.btnOK->isDefault());
  EXPECT_EQ(form.btnCancel->text(), QStringLiteral("取消"));
  EXPECT_EQ(form.focusWidget(), form.edtPswd);
}

TEST_F(CheckPasswordFormTest, AcceptsTheRightPasswordWithBlanksAndControlCharactersAround) {
  EXPECT_TRUE(Accepts(QStringLiteral("tivrel")));
  EXPECT_TRUE(Accepts(QStringLiteral("  tivrel\t")));
  EXPECT_TRUE(Accepts(QStringLiteral("\x01tivrel\n")));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(CheckPasswordFormTest, RefusesAnotherLetterCaseAndKeepsTheEntry) {
  TCheckPasswordForm form(sysOption_, nullptr);
  form.edtPswd->setText(QStringLiteral("TIVREL"));
  form.btnOK->click();

  EXPECT_NE(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.edtPswd->text(), QStringLiteral("TIVREL"));
  EXPECT_EQ(form.edtPswd->selectedText(), QStringLiteral("TIVREL"));
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
}

TEST_F(CheckPasswordFormTest, ComparesWithTheStoredPasswordUntrimmed) {
  sysOption_.Password = " tivrel";
  EXPECT_FALSE(Accepts(QStringLiteral(" tivrel")));
  EXPECT_EQ(boxes_.Shown().size(), 1u);
}

TEST_F(CheckPasswordFormTest, AnEmptyStoredPasswordTakesABlankEntry) {
  sysOption_.Password = "";
  EXPECT_TRUE(Accepts(QStringLiteral("   ")));
  EXPECT_TRUE(Accepts(QString()));
}

TEST_F(CheckPasswordFormTest, KeepsAskingUntilTheRightPassword) {
  ModalScript script;
  for (const char* entry : {"a", "b", "c", "tivrel"}) {
    script.Then<TCheckPasswordForm>([entry](TCheckPasswordForm& form) {
      form.edtPswd->setText(QString::fromLatin1(entry));
      form.btnOK->click();
    });
  }
  EXPECT_TRUE(CheckAdminPassword(sysOption_, nullptr));
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(boxes_.Shown().size(), 3u);
}

TEST_F(CheckPasswordFormTest, CancelEscapeAndTheCloseBoxReturnFalse) {
  ModalScript script;
  script.Then<TCheckPasswordForm>([](TCheckPasswordForm& form) { form.btnCancel->click(); })
      .Then<TCheckPasswordForm>([](TCheckPasswordForm& form) {
        form.edtPswd->setText(QStringLiteral("tivrel"));
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&form, &escape);
      })
      .Then<TCheckPasswordForm>([](TCheckPasswordForm& form) {
        form.edtPswd->setText(QStringLiteral("tivrel"));
        form.close();
      });
  EXPECT_FALSE(CheckAdminPassword(sysOption_, nullptr));
  EXPECT_FALSE(CheckAdminPassword(sysOption_, nullptr));
  EXPECT_FALSE(CheckAdminPassword(sysOption_, nullptr));
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
}

TEST_F(CheckPasswordFormTest, EnterPressesOK) {
  ModalScript script;
  script.Then<TCheckPasswordForm>([](TCheckPasswordForm& form) {
    form.edtPswd->setText(QStringLiteral("tivrel"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.edtPswd, &enter);
  });
  EXPECT_TRUE(CheckAdminPassword(sysOption_, nullptr));
  EXPECT_TRUE(script.Finished());
}

}  // namespace
}  // namespace keydesk
