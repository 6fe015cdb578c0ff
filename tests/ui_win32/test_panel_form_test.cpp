// The test dialog over a kind's test panel, driven through window messages: the panel's
// entries and buttons bound by name to their template's controls, and a press with what it
// takes, clears, fills and shows. What a button does is the kinds' tests' matter.
#include "ui_win32/test_panel_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/desk.h"
#include "core/interface_kind.h"
#include "dialog_script.h"
#include "kinds/kind.h"
#include "platform/errors.h"
#include "ui_win32/resource_ids.h"
#include "window_test_application.h"

namespace keydesk {
namespace {

using test::Click;
using test::DialogScript;
using test::Type;
using test::Utf8Item;
using test::Utf8Text;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The tab order of a dialog from its first control: each control's template id in turn.
std::vector<int> TabOrder(const Dialog& dialog, int first, size_t count) {
  std::vector<int> order;
  HWND control = dialog.Item(first);
  for (size_t i = 0; i < count && control != nullptr; ++i) {
    order.push_back(GetDlgCtrlID(control));
    control = GetNextDlgTabItem(dialog.Handle(), control, FALSE);
  }
  return order;
}

std::vector<std::string> ComboItems(HWND box) {
  std::vector<std::string> items;
  for (LRESULT i = 0; i < SendMessageW(box, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t item[64] = {};
    SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
    items.push_back(Utf8FromAnsi(AnsiFromUnicode(std::u16string(item, item + wcslen(item)))));
  }
  return items;
}

// Checks that every entry and button of the panel shows in its control as the panel says.
void ExpectBound(const Dialog& dialog, const TestPanel& panel) {
  for (const PanelEntry& entry : panel.Entries()) {
    const HWND control = dialog.Item(TestPanelForm::ControlOf(entry.Name));
    ASSERT_NE(control, nullptr) << entry.Name;
    if (entry.Kind == PanelEntryKind::Check) {
      EXPECT_EQ(Utf8Text(control), entry.Caption) << entry.Name;
      EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED, entry.Text == "1");
      continue;
    }
    EXPECT_EQ(Utf8Text(control), Utf8FromAnsi(entry.Text)) << entry.Name;
    EXPECT_EQ(Utf8Text(GetWindow(control, GW_HWNDPREV)), entry.Caption) << entry.Name;
    if (entry.Kind == PanelEntryKind::Choice) {
      EXPECT_THAT(ComboItems(control), ElementsAreArray(entry.Choices)) << entry.Name;
    }
  }
  for (const PanelButton& button : panel.Buttons()) {
    EXPECT_EQ(Utf8Item(dialog, TestPanelForm::ControlOf(button.Name)), button.Caption)
        << button.Name;
  }
}

struct KindLayout {
  int Kind;
  int TemplateId;
  std::vector<int> TabOrder;  // from the first button round to it again
};

TEST(TestPanelFormTest, EachKindsPanelIsBoundToItsTemplateByName) {
  const KindLayout layouts[] = {
      {kDoorlockKind,
       IDD_TEST_PANEL(kDoorlockKind),
       {IDC_OPENPORT, IDC_BEEP, IDC_CLOSEPORT, IDC_ROOMBUILDINGCODE, IDC_ROOMFLOORCODE, IDC_ROOMNO,
        IDC_CHECKIN, IDC_CHECKOUT, IDC_ISCOPY, IDC_WRITECARD, IDC_NUMBER, IDC_READCARD,
        IDC_ERASECARD, IDC_OPENPORT}},
      {kHandKind,
       IDD_TEST_PANEL(kHandKind),
       {IDC_OPENPORT, IDC_CLOSEPORT, IDC_NUMBER, IDC_ROOMNO, IDC_ROOMFLOORCODE,
        IDC_ROOMBUILDINGCODE, IDC_READCARD, IDC_WRITECARD, IDC_ERASECARD, IDC_CHECKIN, IDC_CHECKOUT,
        IDC_BEEP, IDC_ISCOPY, IDC_OPENPORT}},
      {kMemberKind,
       IDD_TEST_PANEL(kMemberKind),
       {IDC_OPENPORT, IDC_CLOSEPORT, IDC_NUMBER, IDC_PASSWORD, IDC_READCARD, IDC_WRITECARD,
        IDC_BEEP, IDC_CHANNEL, IDC_PRINTCARD, IDC_OPENPORT}},
  };
  for (const KindLayout& layout : layouts) {
    SCOPED_TRACE(layout.Kind);
    test::WindowTestApplication app(layout.Kind);
    const std::unique_ptr<TestPanel> panel = app.Kind().MakeTestPanel();
    ASSERT_NE(panel, nullptr);
    DialogScript script;
    std::string caption;
    std::vector<int> order;
    bool firstButtonHasFocus = false;
    script.Then(layout.TemplateId, [&](Dialog& test) {
      caption = Utf8Text(test.Handle());
      order = TabOrder(test, IDC_OPENPORT, layout.TabOrder.size());
      firstButtonHasFocus = GetFocus() == test.Item(IDC_OPENPORT);
      ExpectBound(test, *panel);
      test::CloseBox(test.Handle());
    });
    EXPECT_EQ(TestPanelForm(*panel).ShowModal(nullptr), IDCANCEL);
    EXPECT_TRUE(script.Finished());
    EXPECT_THAT(script.Unexpected(), IsEmpty());
    EXPECT_EQ(caption, "测试");
    EXPECT_THAT(order, ElementsAreArray(layout.TabOrder));
    EXPECT_TRUE(firstButtonHasFocus);
  }
}

class DoorlockPanelTest : public ::testing::Test {
 protected:
  test::WindowTestApplication app_;
  std::unique_ptr<TestPanel> panel_ = app_.Kind().MakeTestPanel();
};

TEST_F(DoorlockPanelTest, WritesAndReadsACardThroughTheSimulatedEncoder) {
  DialogScript script;
  std::string written, read, cardNo;
  script.Then(IDD_TEST_PANEL(kDoorlockKind), [&](Dialog& test) {
    Type(test, IDC_ROOMNO, "08");
    Click(test, IDC_WRITECARD);
    written = Utf8Item(test, IDC_RESULT);
    Click(test, IDC_READCARD);
    read = Utf8Item(test, IDC_RESULT);
    cardNo = Utf8Item(test, IDC_NUMBER);
    test::CloseBox(test.Handle());
  });
  TestPanelForm(*panel_).ShowModal(nullptr);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Boxes(), IsEmpty());
  EXPECT_THAT(written, HasSubstr("写卡成功"));
  EXPECT_THAT(read, HasSubstr("读卡成功：卡号 " + cardNo));
  EXPECT_THAT(read, HasSubstr("房间 000108"));
  EXPECT_NE(cardNo, "0");
}

TEST_F(DoorlockPanelTest, AfterAPressTheKeyboardFocusIsBackOnThePressedButton) {
  DialogScript script;
  HWND beep = nullptr, focusAfterBeep = nullptr;
  script.Then(IDD_TEST_PANEL(kDoorlockKind), [&](Dialog& test) {
    beep = test.Item(IDC_BEEP);
    SetFocus(beep);
    // The button is disabled during the press, which takes the focus away from it.
    Click(test, IDC_BEEP);
    focusAfterBeep = GetFocus();
    test::PressEscape(test);
  });
  TestPanelForm(*panel_).ShowModal(nullptr);
  EXPECT_TRUE(script.Finished());
  EXPECT_NE(beep, nullptr);
  EXPECT_EQ(focusAfterBeep, beep);
}

// A panel of the test's own in the member-card layout, with captions of its own, whose presses
// tell what they were given and what the dialog looked like meanwhile.
class PressTest : public ::testing::Test {
 protected:
  TestPanel MakePanel() {
    std::vector<PanelEntry> entries = {
        {"ChannelCmb", "通道", PanelEntryKind::Choice, AnsiFromUtf8("乙"), {"甲", "乙"}},
        {"CardNoEdit", "号码", PanelEntryKind::Text, "7", {}},
        {"PasswordEdit", "口令:", PanelEntryKind::Text, "secret", {}},
    };
    std::vector<PanelButton> buttons = {
        {"ReadCardBtn",
         "读一张",
         {"PasswordEdit"},
         [this](const PanelEntries& given) {
           entries_ = given;
           buttonEnabledDuringPress_ = IsWindowEnabled(read_) != FALSE;
           // A close during the press must wait for it.
           PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
           Sleep(300);
           return PanelResult{AnsiFromUtf8("读了"), {{"CardNoEdit", "42"}}};
         }},
        {"WriteCardBtn",
         "写一张",
         {},
         [](const PanelEntries&) -> PanelResult { throw Error(AnsiFromUtf8("发卡器坏了")); }},
    };
    return TestPanel("TMemberTestForm", std::move(entries), std::move(buttons));
  }

  HWND dialog_ = nullptr;
  HWND read_ = nullptr;
  PanelEntries entries_;
  bool buttonEnabledDuringPress_ = true;
};

TEST_F(PressTest, ThePanelsCaptionsShowAndAPressTakesTheEntriesClearsFirstAndFillsAfter) {
  const TestPanel panel = MakePanel();
  DialogScript script;
  bool openAfterPress = false, openAfterError = false, enabledAfterError = false;
  std::string cardNo, password, line, lineAfterError;
  script.Then(IDD_TEST_PANEL(kMemberKind), [&](Dialog& test) {
    dialog_ = test.Handle();
    read_ = test.Item(IDC_READCARD);
    ExpectBound(test, panel);
    Type(test, IDC_CHANNEL, "丙");
    Click(test, IDC_READCARD);
    openAfterPress = !test.Ended();
    cardNo = Utf8Item(test, IDC_NUMBER);
    password = Utf8Item(test, IDC_PASSWORD);
    line = Utf8Item(test, IDC_RESULT);
    Click(test, IDC_WRITECARD);
    openAfterError = !test.Ended();
    lineAfterError = Utf8Item(test, IDC_RESULT);
    enabledAfterError = IsWindowEnabled(test.Item(IDC_WRITECARD)) != FALSE;
    test::CloseBox(test.Handle());
  });
  TestPanelForm(panel).ShowModal(nullptr);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(entries_, ElementsAre(std::pair<const std::string, std::string>("CardNoEdit", "7"),
                                    std::pair<const std::string, std::string>("ChannelCmb",
                                                                              AnsiFromUtf8("丙")),
                                    std::pair<const std::string, std::string>("PasswordEdit", "")));
  EXPECT_FALSE(buttonEnabledDuringPress_);
  EXPECT_TRUE(openAfterPress);
  EXPECT_EQ(cardNo, "42");
  EXPECT_EQ(password, "");
  EXPECT_EQ(line, "读了");
  EXPECT_TRUE(openAfterError);
  EXPECT_EQ(lineAfterError, "");
  EXPECT_TRUE(enabledAfterError);
  ASSERT_EQ(script.Boxes().size(), 1u);
  EXPECT_EQ(script.Boxes()[0].Icon, BoxIcon::Error);
  EXPECT_EQ(Utf8FromAnsi(script.Boxes()[0].Text), "发卡器坏了");
}

}  // namespace
}  // namespace keydesk
