// The administrator password prompt and change dialog over the desk, driven through window
// messages. What the desk takes is its own tests' matter; here, that the dialogs ask it.
#include "ui_win32/password_forms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "app/desk.h"
#include "core/sys_option.h"
#include "dialog_script.h"
#include "fixed_clock.h"
#include "kinds/service_context.h"
#include "ui_win32/resource_ids.h"
#include "window_test_application.h"

namespace keydesk {
namespace {

using test::Click;
using test::DialogScript;
using test::Type;
using test::Utf8Item;
using test::Utf8Text;

class PasswordFormsTest : public ::testing::Test {
 protected:
  bool Prompt() { return TCheckPasswordForm(app_.Desk()).ShowModal(nullptr) == IDOK; }

  test::WindowTestApplication app_;
};

TEST_F(PasswordFormsTest, ThePromptOpensMaskedWithTheFocusOnItsEntryAndTakesTheRightPassword) {
  DialogScript script;
  std::string caption;
  bool entryHasFocus = false;
  LRESULT mask = 0;
  SIZE client{};
  script.Then(IDD_CHECK_PASSWORD, [&](Dialog& prompt) {
    caption = Utf8Text(prompt.Handle());
    entryHasFocus = GetFocus() == prompt.Item(IDC_EDTPSWD);
    mask = SendMessageW(prompt.Item(IDC_EDTPSWD), EM_GETPASSWORDCHAR, 0, 0);
    RECT area{};
    GetClientRect(prompt.Handle(), &area);
    client = {area.right, area.bottom};
    Type(prompt, IDC_EDTPSWD, "tivrel");
    Click(prompt, IDOK);
  });
  EXPECT_TRUE(Prompt());
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Boxes(), ::testing::IsEmpty());
  EXPECT_EQ(caption, "请输入管理员密码");
  EXPECT_TRUE(entryHasFocus);
  EXPECT_EQ(mask, L'*');
  EXPECT_EQ(client.cx, TCheckPasswordForm::kClientSize.cx);
  EXPECT_EQ(client.cy, TCheckPasswordForm::kClientSize.cy);
}

TEST_F(PasswordFormsTest, AWrongPasswordIsAnsweredAndThePromptStaysWithItsEntry) {
  DialogScript script;
  bool openAfterBox = false;
  std::string entryAfterBox;
  script.Then(IDD_CHECK_PASSWORD, [&](Dialog& prompt) {
    Type(prompt, IDC_EDTPSWD, "前台");
    Click(prompt, IDOK);
    openAfterBox = !prompt.Ended();
    entryAfterBox = Utf8Item(prompt, IDC_EDTPSWD);
    Click(prompt, IDCANCEL);
  });
  EXPECT_FALSE(Prompt());
  ASSERT_EQ(script.Boxes().size(), 1u);
  EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::Error);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Caption), "提示");
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Text), "密码错误 ！");
  EXPECT_TRUE(openAfterBox);
  EXPECT_EQ(entryAfterBox, "前台");
}

TEST_F(PasswordFormsTest, WhileTheWaitAfterAWrongPasswordRunsTheSecondsLeftAreSaid) {
  // A desk whose time stands until moved on.
  test::SteadyTime standing;
  Desk desk(app_.Context(), app_.Kind(), standing.Now());
  DialogScript script;
  bool openAfterWait = false;
  script.Then(IDD_CHECK_PASSWORD, [&](Dialog& prompt) {
    Type(prompt, IDC_EDTPSWD, "wrong");
    Click(prompt, IDOK);
    Type(prompt, IDC_EDTPSWD, "tivrel");
    Click(prompt, IDOK);
    openAfterWait = !prompt.Ended();
    standing.Advance(std::chrono::seconds(1));
    Click(prompt, IDOK);
  });
  EXPECT_EQ(TCheckPasswordForm(desk).ShowModal(nullptr), IDOK);
  EXPECT_TRUE(openAfterWait);
  ASSERT_EQ(script.Boxes().size(), 2u);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Text), "密码错误 ！");
  EXPECT_EQ(script.Boxes()[1].Icon, BoxIcon::Error);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[1].Caption), "提示");
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[1].Text), "密码输入错误后须等待，请 1 秒后再试。");
}

TEST_F(PasswordFormsTest, CancelEscAndTheCloseBoxAllRefuseEvenWithTheRightPasswordTyped) {
  const std::function<void(Dialog&)> ways[] = {
      [](Dialog& prompt) { Click(prompt, IDCANCEL); },
      [](Dialog& prompt) { test::PressEscape(prompt); },
      [](Dialog& prompt) { test::CloseBox(prompt.Handle()); },
  };
  for (const auto& way : ways) {
    DialogScript script;
    script.Then(IDD_CHECK_PASSWORD, [&](Dialog& prompt) {
      Type(prompt, IDC_EDTPSWD, "tivrel");
      SetFocus(prompt.Item(IDC_EDTPSWD));
      way(prompt);
    });
    EXPECT_FALSE(Prompt());
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(script.Boxes(), ::testing::IsEmpty());
  }
}

TEST_F(PasswordFormsTest, ARefusalKeepsTheChangeDialogOpenAndTwoEqualEntriesAreSavedAtOnce) {
  DialogScript script;
  std::string caption;
  bool openAfterMismatch = false;
  bool openAfterShort = false;
  script.Then(IDD_CHANGE_PASSWORD, [&](Dialog& change) {
    caption = Utf8Text(change.Handle());
    Type(change, IDC_EDTPSWD, "front-desk");
    Type(change, IDC_EDTCONFIRMPSWD, "back-desk");
    Click(change, IDOK);
    openAfterMismatch = !change.Ended();
    Type(change, IDC_EDTPSWD, "前台");
    Type(change, IDC_EDTCONFIRMPSWD, "前台");
    Click(change, IDOK);
    openAfterShort = !change.Ended();
    Type(change, IDC_EDTPSWD, "前台值班密码");
    Type(change, IDC_EDTCONFIRMPSWD, "前台值班密码");
    Click(change, IDOK);
  });
  EXPECT_EQ(TChangePasswordForm(app_.Desk()).ShowModal(nullptr), IDOK);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(caption, "更改管理员密码");
  EXPECT_TRUE(openAfterMismatch);
  EXPECT_TRUE(openAfterShort);
  ASSERT_EQ(script.Boxes().size(), 3u);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Text), "您两次输入的密码不一致，请重新输入！");
  EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::Error);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[1].Text), "新密码至少要有 6 个字符，请重新输入！");
  EXPECT_EQ(script.Boxes()[1].Icon, BoxIcon::Error);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[2].Text), "管理员密码更改成功！");
  EXPECT_EQ(script.Boxes()[2].Icon, BoxIcon::Information);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[2].Caption), "提示");

  TSysOption saved(app_.File("Option.ini"));
  saved.Load();
  EXPECT_EQ(Utf8FromAnsi(saved.Password), "前台值班密码");
}

}  // namespace
}  // namespace keydesk
