#include "ui/change_password_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "core/sys_option.h"
#include "message_box_recorder.h"
#include "platform/code_page.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using ::testing::IsEmpty;

class ChangePasswordFormTest : public ::testing::Test {
 protected:
  // Types both entries and presses "确定"; true when the dialog then ended with OK.
  bool Change(const QString& entry, const QString& confirmation) {
    TChangePasswordForm form(sysOption_, nullptr);
    form.edtPswd->setText(entry);
    form.edtConfirmPswd->setText(confirmation);
    form.btnOK->click();
    return form.result() == QDialog::Accepted;
  }

  std::string StoredPassword() const {
    TSysOption stored(sysOption_.FileName);
    stored.Load();
    return stored.Password;
  }

  MessageBoxRecorder boxes_;
  test::TempDir dir_;
  TSysOption sysOption_{dir_.File("Option.ini")};
};

TEST_F(ChangePasswordFormTest, IsTheFixedDialogWithTwoMaskedEntries) {
  TChangePasswordForm form(sysOption_, nullptr);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("更改管理员密码"));
  EXPECT_EQ(form.size(), QSize(346, 163));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.edtPswd->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.edtConfirmPswd->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.focusWidget(), form.edtPswd);
  EXPECT_EQ(form.edtPswd->nextInFocusChain(), form.edtConfirmPswd);
  EXPECT_TRUE(form.btnOK->isDefault());
}

TEST_F(ChangePasswordFormTest, EqualEntriesSetTheTrimmedPasswordSaveItAndEnd) {
  EXPECT_TRUE(Change(QStringLiteral("  新密码1 "), QStringLiteral("新密码1\t")));

  EXPECT_EQ(sysOption_.Password, AnsiFromUtf8("新密码1"));
  EXPECT_EQ(StoredPassword(), sysOption_.Password);
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("管理员密码更改成功！"));
}

TEST_F(ChangePasswordFormTest, DifferentEntriesChangeNothingAndKeepTheDialogAsTyped) {
  TChangePasswordForm form(sysOption_, nullptr);
  form.edtPswd->setText(QStringLiteral("abc"));
  form.edtConfirmPswd->setText(QStringLiteral("ABC"));
  form.btnOK->click();

  EXPECT_NE(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.edtPswd->text(), QStringLiteral("abc"));
  EXPECT_EQ(form.edtConfirmPswd->text(), QStringLiteral("ABC"));
  EXPECT_EQ(sysOption_.Password, "tivrel");
  EXPECT_FALSE(std::filesystem::exists(sysOption_.FileName));
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("您两次输入的密码不一致，请重新输入！"));
}

TEST_F(ChangePasswordFormTest, AnEmptyNewPasswordIsRefusedAndTheDialogStays) {
  // Two Enters in the fresh dialog.
  EXPECT_FALSE(Change(QString(), QString()));
  EXPECT_FALSE(Change(QStringLiteral("  "), QStringLiteral("\t")));

  EXPECT_EQ(sysOption_.Password, "tivrel");
  EXPECT_FALSE(std::filesystem::exists(sysOption_.FileName));
  ASSERT_EQ(boxes_.Shown().size(), 2u);
  for (const auto& box : boxes_.Shown()) {
    EXPECT_EQ(box.icon, MessageBox::Icon::Error);
    EXPECT_EQ(box.caption, QStringLiteral("提示"));
    EXPECT_EQ(box.text, QStringLiteral("新密码不能为空。"));
  }
}

TEST_F(ChangePasswordFormTest, ASaveFailureIsShownAndTheDialogStays) {
  sysOption_.FileName = dir_.File("missing/Option.ini");
  QCoreApplication::setApplicationName(QStringLiteral("MarveskOxbel门锁接口"));

  EXPECT_FALSE(Change(QStringLiteral("neu"), QStringLiteral("neu")));

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("MarveskOxbel门锁接口"));
  EXPECT_EQ(boxes_.Shown()[0].text,
            QStringLiteral("Unable to write to ") + QString::fromStdString(sysOption_.FileName));
  // In effect for the rest of the run, though not in the file.
  EXPECT_EQ(sysOption_.Password, "neu");
}

}  // namespace
}  // namespace keydesk
