#include "ui/check_password_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "app/desk.h"
#include "fixed_clock.h"
#include "message_box_recorder.h"
#include "modal_script.h"
#include "test_application.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using test::ModalScript;
using ::testing::IsEmpty;

// The prompt over a desk whose password is the default "tivrel". A minute passes at every look
// at the time, so that no wait after a wrong entry holds the prompt.
class CheckPasswordFormTest : public ::testing::Test {
 protected:
  MessageBoxRecorder boxes_;
  test::TestApplication application_;
  test::SteadyTime time_{std::chrono::minutes(1)};
  Desk desk_{application_.Context(), application_.Kind(), time_.Now()};
  TCheckPasswordForm form_{desk_, nullptr};
};

TEST_F(CheckPasswordFormTest, IsTheFixedMaskedPromptWithTheFocusOnTheEntry) {
  EXPECT_EQ(form_.windowTitle(), QStringLiteral("请输入管理员密码"));
  EXPECT_EQ(form_.size(), QSize(306, 140));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize());
  EXPECT_EQ(form_.edtPswd->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(form_.edtPswd->text().isEmpty());
  EXPECT_EQ(form_.btnOK->text(), QStringLiteral("确定"));
  EXPECT_TRUE(form_.btnOK->isDefault());
  EXPECT_EQ(form_.btnCancel->text(), QStringLiteral("取消"));
  EXPECT_EQ(form_.focusWidget(), form_.edtPswd);
}

TEST_F(CheckPasswordFormTest, AnEntryTheDeskRefusesIsSaidAndStaysSelected) {
  form_.edtPswd->setText(QStringLiteral("TIVREL"));
  form_.btnOK->click();

  EXPECT_NE(form_.result(), QDialog::Accepted);
  EXPECT_EQ(form_.edtPswd->text(), QStringLiteral("TIVREL"));
  EXPECT_EQ(form_.edtPswd->selectedText(), QStringLiteral("TIVREL"));
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
}

TEST_F(CheckPasswordFormTest, WhileTheWaitAfterAWrongEntryRunsTheSecondsLeftAreSaid) {
  test::SteadyTime standing;
  Desk desk(application_.Context(), application_.Kind(), standing.Now());
  TCheckPasswordForm form(desk, nullptr);
  form.edtPswd->setText(QStringLiteral("TIVREL"));
  form.btnOK->click();
  form.edtPswd->setText(QStringLiteral("tivrel"));
  form.btnOK->click();

  EXPECT_NE(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.edtPswd->selectedText(), QStringLiteral("tivrel"));
  ASSERT_EQ(boxes_.Shown().size(), 2u);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
  EXPECT_EQ(boxes_.Shown()[1].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[1].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[1].text, QStringLiteral("密码输入错误后须等待，请 1 秒后再试。"));

  standing.Advance(std::chrono::seconds(1));
  form.btnOK->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(CheckPasswordFormTest, KeepsAskingUntilAnEntryTheDeskTakes) {
  ModalScript script;
  for (const char* entry : {"a", "b", "c", "tivrel"}) {
    script.Then<TCheckPasswordForm>([entry](TCheckPasswordForm& form) {
      form.edtPswd->setText(QString::fromLatin1(entry));
      form.btnOK->click();
    });
  }
  EXPECT_EQ(form_.exec(), QDialog::Accepted);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(boxes_.Shown().size(), 3u);
}

TEST_F(CheckPasswordFormTest, CancelEscapeAndTheCloseBoxEndWithoutOK) {
  const std::function<void(TCheckPasswordForm&)> ways[] = {
      [](TCheckPasswordForm& form) { form.btnCancel->click(); },
      [](TCheckPasswordForm& form) {
        form.edtPswd->setText(QStringLiteral("tivrel"));
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&form, &escape);
      },
      [](TCheckPasswordForm& form) {
        form.edtPswd->setText(QStringLiteral("tivrel"));
        form.close();
      }};
  for (const auto& way : ways) {
    ModalScript script;
    script.Then<TCheckPasswordForm>(way);
    TCheckPasswordForm form(desk_, nullptr);
    EXPECT_NE(form.exec(), QDialog::Accepted);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(script.Unexpected(), IsEmpty());
  }
}

TEST_F(CheckPasswordFormTest, EnterPressesOK) {
  ModalScript script;
  script.Then<TCheckPasswordForm>([](TCheckPasswordForm& form) {
    form.edtPswd->setText(QStringLiteral("tivrel"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.edtPswd, &enter);
  });
  EXPECT_EQ(form_.exec(), QDialog::Accepted);
  EXPECT_TRUE(script.Finished());
}

}  // namespace
}  // namespace keydesk
