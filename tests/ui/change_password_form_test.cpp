#include "ui/change_password_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include "app/desk.h"
#include "core/sys_option.h"
#include "message_box_recorder.h"
#include "test_application.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;

// The dialog over a desk whose password is the default "tivrel".
class ChangePasswordFormTest : public ::testing::Test {
 protected:
  // Types both entries and presses "确定"; true when the dialog then ended with OK.
  bool Change(const QString& entry, const QString& confirmation) {
    form_.edtPswd->setText(entry);
    form_.edtConfirmPswd->setText(confirmation);
    form_.btnOK->click();
    return form_.result() == QDialog::Accepted;
  }

  std::string StoredPassword() const {
    TSysOption stored(application_.File("Option.ini"));
    stored.Load();
    return stored.Password;
  }

  MessageBoxRecorder boxes_;
  test::TestApplication application_;
  Desk desk_{application_.Context(), application_.Kind()};
  TChangePasswordForm form_{desk_, nullptr};
};

TEST_F(ChangePasswordFormTest, IsTheFixedDialogWithTwoMaskedEntries) {
  EXPECT_EQ(form_.windowTitle(), QStringLiteral("更改管理员密码"));
  EXPECT_EQ(form_.size(), QSize(346, 163));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize());
  EXPECT_EQ(form_.edtPswd->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form_.edtConfirmPswd->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form_.focusWidget(), form_.edtPswd);
  EXPECT_EQ(form_.edtPswd->nextInFocusChain(), form_.edtConfirmPswd);
  EXPECT_TRUE(form_.btnOK->isDefault());
}

TEST_F(ChangePasswordFormTest, AChangeTheDeskTakesIsSavedSaidAndEndsTheDialog) {
  EXPECT_TRUE(Change(QStringLiteral("neu123"), QStringLiteral("neu123")));

  EXPECT_EQ(StoredPassword(), "neu123");
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("管理员密码更改成功！"));
}

TEST_F(ChangePasswordFormTest, ARefusalIsSaidAndTheDialogStaysAsTyped) {
  EXPECT_FALSE(Change(QStringLiteral("abcdef"), QStringLiteral("ABCDEF")));

  EXPECT_EQ(form_.edtPswd->text(), QStringLiteral("abcdef"));
  EXPECT_EQ(form_.edtConfirmPswd->text(), QStringLiteral("ABCDEF"));
  EXPECT_EQ(application_.Context().SysOption.Password, "tivrel");
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("您两次输入的密码不一致，请重新输入！"));
}

TEST_F(ChangePasswordFormTest, ANewPasswordOfFewerThanSixCharactersIsRefused) {
  EXPECT_FALSE(Change(QStringLiteral("前台值班"), QStringLiteral("前台值班")));

  EXPECT_EQ(StoredPassword(), "tivrel");
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("新密码至少要有 6 个字符，请重新输入！"));
}

TEST_F(ChangePasswordFormTest, ASaveFailureIsShownAndTheDialogStays) {
  TSysOption& sysOption = application_.Context().SysOption;
  sysOption.FileName = application_.File("missing/Option.ini");
  QCoreApplication::setApplicationName(QStringLiteral("MarveskOxbel门锁接口"));

  EXPECT_FALSE(Change(QStringLiteral("neu123"), QStringLiteral("neu123")));

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("MarveskOxbel门锁接口"));
  EXPECT_EQ(boxes_.Shown()[0].text,
            QStringLiteral("Unable to write to ") + QString::fromStdString(sysOption.FileName));
}

}  // namespace
}  // namespace keydesk
