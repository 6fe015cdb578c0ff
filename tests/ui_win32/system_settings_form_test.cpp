// The 系统设置 dialog, opened from the main window and driven through window messages: its
// controls are the settings' fields, and "确定" hands the entries to the settings. Which
// entries are taken is the settings' own tests' matter.
#include "ui_win32/system_settings_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/system_settings.h"
#include "core/sys_option.h"
#include "dialog_script.h"
#include "platform/socket.h"
#include "ui_win32/main_form.h"
#include "ui_win32/resource_ids.h"
#include "window_test_application.h"

namespace keydesk {
namespace {

using test::Click;
using test::DialogScript;
using test::Type;
using test::Utf8Item;
using test::Utf8Text;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class SystemSettingsFormTest : public ::testing::Test {
 protected:
  // Opens the dialog from the menu, with the password, and runs step on it.
  void OpenSettings(DialogScript& script, DialogScript::Step step) {
    script
        .Then(IDD_CHECK_PASSWORD,
              [](Dialog& prompt) {
                Type(prompt, IDC_EDTPSWD, "tivrel");
                Click(prompt, IDOK);
              })
        .Then(IDD_SYSTEM_SETTINGS, std::move(step));
    SendMessageW(form_.Handle(), WM_COMMAND, ID_SETTINGS, 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(script.Unexpected(), IsEmpty());
  }
  // The place of the key among the fields.
  size_t Field(std::string_view key) const {
    for (size_t i = 0; i < settings_.Fields().size(); ++i) {
      if (settings_.Fields()[i].Key == key) return i;
    }
    ADD_FAILURE() << "no field " << key;
    return 0;
  }
  std::string OptionFile() const { return test::ReadFileBytes(app_.File("Option.ini")); }

  test::WindowTestApplication app_;
  TMainForm form_{app_.Desk()};
  const SystemSettings settings_{app_.File("Option.ini")};
};

TEST_F(SystemSettingsFormTest, ShowsEveryFieldInOrderWithTheFocusOnTheFirst) {
  DialogScript script;
  std::vector<int> order;
  bool firstHasFocus = false;
  OpenSettings(script, [&](Dialog& dialog) {
    const std::vector<SettingField>& fields = settings_.Fields();
    for (size_t i = 0; i < fields.size(); ++i) {
      const HWND control = dialog.Item(TSystemSettingsForm::ControlOf(i));
      ASSERT_NE(control, nullptr) << fields[i].Key;
      if (fields[i].Kind == SettingKind::Switch) {
        EXPECT_EQ(Utf8Text(control), fields[i].Caption);
        EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED, fields[i].Value == "1")
            << fields[i].Key;
      } else {
        EXPECT_EQ(Utf8Text(control), Utf8FromAnsi(fields[i].Value)) << fields[i].Key;
        EXPECT_EQ(Utf8Text(GetWindow(control, GW_HWNDPREV)), fields[i].Caption);
      }
    }
    firstHasFocus = GetFocus() == dialog.Item(TSystemSettingsForm::ControlOf(0));
    for (HWND control = GetFocus(); order.size() <= fields.size() + 1;
         control = GetNextDlgTabItem(dialog.Handle(), control, FALSE)) {
      order.push_back(GetDlgCtrlID(control));
    }
    test::PressEscape(dialog);
  });
  EXPECT_TRUE(firstHasFocus);
  std::vector<int> expected;
  for (size_t i = 0; i < settings_.Fields().size(); ++i) {
    expected.push_back(TSystemSettingsForm::ControlOf(i));
  }
  expected.push_back(IDOK);
  expected.push_back(IDCANCEL);
  EXPECT_EQ(order, expected);
}

TEST_F(SystemSettingsFormTest, SavesAChangedPortAndASwitchAndSaysSoAndListensThereOnYes) {
  const uint16_t newPort = Socket::Listen(0, 1).LocalPort();
  DialogScript script;
  bool closed = false;
  OpenSettings(script, [&](Dialog& dialog) {
    Type(dialog, TSystemSettingsForm::ControlOf(Field("DoorlockPortNo")),
         std::to_string(newPort).c_str());
    Click(dialog, TSystemSettingsForm::ControlOf(Field("WriteLog")));
    Click(dialog, IDOK);
    closed = dialog.Ended();
  });
  EXPECT_TRUE(closed);
  ASSERT_EQ(script.Boxes().size(), 2u);
  EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::Information);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Caption), "提示");
  EXPECT_THAT(Utf8FromAnsi(script.Boxes()[0].Text), HasSubstr("门锁接口端口"));
  TSysOption saved(app_.File("Option.ini"));
  saved.Load();
  EXPECT_EQ(saved.DoorlockPortNo, newPort);
  // Asked whether to listen again now, and told yes: the listener has moved.
  EXPECT_EQ(script.Boxes()[1].Icon, BoxIcon::Question);
  EXPECT_THAT(Utf8FromAnsi(script.Boxes()[1].Text), HasSubstr("现在重新监听"));
  EXPECT_EQ(app_.Port(), newPort);
  EXPECT_FALSE(saved.WriteLog);
  // The fields left alone went back as they came: none of them was written.
  EXPECT_THAT(OptionFile(), Not(HasSubstr("[Network]")));
}

TEST_F(SystemSettingsFormTest, ABadPortIsRefusedTheDialogStaysAndOptionIniIsUntouched) {
  const std::string before = OptionFile();
  DialogScript script;
  bool openAfterRefusal = false;
  std::string entry;
  OpenSettings(script, [&](Dialog& dialog) {
    Type(dialog, TSystemSettingsForm::ControlOf(Field("DoorlockPortNo")), "70000");
    Click(dialog, IDOK);
    openAfterRefusal = !dialog.Ended();
    entry = Utf8Item(dialog, TSystemSettingsForm::ControlOf(Field("DoorlockPortNo")));
    Click(dialog, IDCANCEL);
  });
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_EQ(entry, "70000");
  ASSERT_EQ(script.Boxes().size(), 1u);
  EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::Error);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Caption), "MarveskOxbel门锁接口");
  EXPECT_THAT(Utf8FromAnsi(script.Boxes()[0].Text), HasSubstr("门锁接口端口"));
  EXPECT_EQ(OptionFile(), before);
}

}  // namespace
}  // namespace keydesk
