// The test dialog drawn from a kind's panel: its controls, one press through the simulated
// encoder, and what the dialog does around a press.
#include "ui/test_panel_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <future>

#include "app/desk.h"
#include "core/interface_kind.h"
#include "kinds/kind.h"
#include "message_box_recorder.h"
#include "tab_chain.h"
#include "test_application.h"
#include "ui/ansi_text.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct PanelCase {
  int kind;
  const char* name;
  QSize size;
  std::vector<const char*> tabOrder;
};

const PanelCase kPanels[] = {
    {kDoorlockKind,
     "TDoorlockTestForm",
     {599, 394},
     {"OpenPortBtn", "beepBtn", "ClosePortBtn", "RoomBuildingCodeTxt", "RoomFloorCodeTxt",
      "RoomNoTxt", "CheckInDateTimeTxt", "CheckOutDateTimeTxt", "IsCopyCheckBox", "WriteCardBtn",
      "CardNoTxt", "ReadCardBtn", "EraseCardBtn"}},
    {kHandKind,
     "THandTestForm",
     {599, 394},
     {"OpenPortBtn", "ClosePortBtn", "HandNoTxt", "RoomNoTxt", "RoomFloorCodeTxt",
      "RoomBuildingCodeTxt", "ReadCardBtn", "WriteCardBtn", "EraseCardBtn", "CheckInDateTimeTxt",
      "CheckOutDateTimeTxt", "beepBtn", "IsCopyCheckBox"}},
    {kMemberKind,
     "TMemberTestForm",
     {441, 311},
     {"OpenPortBtn", "ClosePortBtn", "CardNoEdit", "PasswordEdit", "ReadCardBtn", "WriteCardBtn",
      "beepBtn", "ChannelCmb", "PrintCardBtn"}},
};

void PrintTo(const PanelCase& panel, std::ostream* out) { *out << panel.name; }

class TestPanelFormKindTest : public ::testing::TestWithParam<PanelCase> {};

TEST_P(TestPanelFormKindTest, EveryEntryAndButtonIsAControlNamedCaptionedAndFilledAsThePanelSays) {
  test::TestApplication application(0, GetParam().kind);
  const std::unique_ptr<TestPanel> panel = application.Kind().MakeTestPanel();
  ASSERT_NE(panel, nullptr);
  TTestPanelForm form(*panel);

  EXPECT_EQ(form.objectName(), QString::fromLatin1(GetParam().name));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("测试"));
  EXPECT_EQ(form.size(), GetParam().size);
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  for (const PanelEntry& entry : panel->Entries()) {
    SCOPED_TRACE(entry.Name);
    QWidget* control = form.findChild<QWidget*>(QString::fromStdString(entry.Name));
    ASSERT_NE(control, nullptr);
    const QString caption = QString::fromStdString(entry.Caption);
    if (entry.Kind == PanelEntryKind::Check) {
      auto* box = qobject_cast<QCheckBox*>(control);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), caption);
      EXPECT_EQ(box->isChecked(), entry.Text == "1");
      continue;
    }
    const auto labels = form.findChildren<QLabel*>();
    EXPECT_TRUE(std::ranges::any_of(labels, [&](const QLabel* label) {
      return label->text() == caption && label->buddy() == control;
    }));
    if (entry.Kind == PanelEntryKind::Text) {
      auto* edit = qobject_cast<QLineEdit*>(control);
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(edit->text(), FromAnsi(entry.Text));
    } else {
      auto* box = qobject_cast<QComboBox*>(control);
      ASSERT_NE(box, nullptr);
      EXPECT_TRUE(box->isEditable());
      ASSERT_EQ(box->count(), static_cast<int>(entry.Choices.size()));
      for (int i = 0; i < box->count(); ++i) {
        EXPECT_EQ(box->itemText(i), QString::fromStdString(entry.Choices[static_cast<size_t>(i)]));
      }
      EXPECT_EQ(box->currentText(), FromAnsi(entry.Text));
    }
  }
  for (const PanelButton& button : panel->Buttons()) {
    const auto* control = form.findChild<QPushButton*>(QString::fromStdString(button.Name));
    ASSERT_NE(control, nullptr) << button.Name;
    EXPECT_EQ(control->text(), QString::fromStdString(button.Caption));
    EXPECT_FALSE(control->autoDefault());
  }
  EXPECT_TRUE(form.ResultLbl->text().isEmpty());

  QStringList tabOrder;
  QWidget* first = form.findChild<QWidget*>(QStringLiteral("OpenPortBtn"));
  for (const QWidget* widget : test::TabChain(form, first)) tabOrder << widget->objectName();
  QStringList expected;
  for (const char* name : GetParam().tabOrder) expected << QString::fromLatin1(name);
  EXPECT_EQ(tabOrder, expected);
}

INSTANTIATE_TEST_SUITE_P(EveryPanel, TestPanelFormKindTest, ::testing::ValuesIn(kPanels),
                         [](const ::testing::TestParamInfo<PanelCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(TestPanelFormDoorlockTest, APressTakesTheEntriesToTheEncoderAndShowsAndFillsWhatItGave) {
  MessageBoxRecorder boxes;
  test::TestApplication application;
  QCoreApplication::setApplicationName(QStringLiteral("MarveskOxbel门锁接口"));
  const std::unique_ptr<TestPanel> panel = application.Kind().MakeTestPanel();
  TTestPanelForm form(*panel);
  auto* room = form.findChild<QLineEdit*>(QStringLiteral("RoomNoTxt"));
  auto* cardNo = form.findChild<QLineEdit*>(QStringLiteral("CardNoTxt"));
  auto* checkOut = form.findChild<QLineEdit*>(QStringLiteral("CheckOutDateTimeTxt"));

  room->setText(QStringLiteral("08"));
  form.findChild<QPushButton*>(QStringLiteral("WriteCardBtn"))->click();
  EXPECT_EQ(form.ResultLbl->text(), QStringLiteral("写卡成功：卡号 1"));
  EXPECT_THAT(test::ReadFileBytes(application.File("trace.txt")), HasSubstr("Write_Guest_Card"));
  cardNo->setText(QStringLiteral("stale"));
  form.findChild<QPushButton*>(QStringLiteral("ReadCardBtn"))->click();
  EXPECT_EQ(cardNo->text(), QStringLiteral("1"));
  EXPECT_TRUE(form.ResultLbl->text().startsWith(QStringLiteral("读卡成功：卡号 1，房间 08")))
      << form.ResultLbl->text().toStdString();
  // Done, in green.
  EXPECT_TRUE(form.ResultLbl->styleSheet().contains(QStringLiteral("#007000")));
  EXPECT_THAT(boxes.Shown(), IsEmpty());

  // A card whose lift block failed opens the room: the line says so, and what to do, in red.
  setenv("DREVAN_SIM_FAIL", "Write_Guest_Lift:8", 1);
  form.findChild<QPushButton*>(QStringLiteral("WriteCardBtn"))->click();
  unsetenv("DREVAN_SIM_FAIL");
  EXPECT_EQ(
      form.ResultLbl->text(),
      QStringLiteral("写卡失败：卡号 2，卡可能能开门：写电梯块失败（代码 8）；客房块已改为过期；"
                     "请销毁此卡或重新写卡"));
  EXPECT_TRUE(form.ResultLbl->styleSheet().contains(QStringLiteral("#c00000")));

  // A press that raises is shown in the error box, the result line left empty.
  checkOut->setText(QStringLiteral("2008-02-30 12:00:00"));
  form.findChild<QPushButton*>(QStringLiteral("WriteCardBtn"))->click();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("MarveskOxbel门锁接口"));
  EXPECT_TRUE(boxes.Shown()[0].text.contains(QStringLiteral("2008-02-30 12:00:00")));
  EXPECT_TRUE(form.ResultLbl->text().isEmpty());
}

// A panel of no kind: an entry, a button that waits until the test lets it go, as a slow
// device does, and a quick one.
class TestPanelFormPressTest : public ::testing::Test {
 protected:
  TestPanel panel_{"TSomeTestForm",
                   {{"NumberTxt", "号码", PanelEntryKind::Text, "5301", {}}},
                   {{"SlowBtn",
                     "慢",
                     {"NumberTxt"},
                     [this](const PanelEntries&) {
                       released_.get_future().wait();
                       return PanelResult{"slow done", {{"NumberTxt", "77"}}};
                     }},
                    {"QuickBtn", "快", {}, [this](const PanelEntries& entries) {
                       ++quickPresses_;
                       return PanelResult{"quick " + entries.at("NumberTxt"), {}};
                     }}}};
  std::promise<void> released_;
  std::atomic<int> quickPresses_{0};
  MessageBoxRecorder boxes_;
  TTestPanelForm form_{panel_};
  QLineEdit* number_ = form_.findChild<QLineEdit*>(QStringLiteral("NumberTxt"));
  QPushButton* slow_ = form_.findChild<QPushButton*>(QStringLiteral("SlowBtn"));
  QPushButton* quick_ = form_.findChild<QPushButton*>(QStringLiteral("QuickBtn"));
};

TEST_F(TestPanelFormPressTest, WhileAPressRunsTheCursorIsBusyAndNothingCanBeClickedOrClosed) {
  form_.show();
  bool busyCursor = false, anyEnabled = true, cleared = false, closed = true;
  // Runs while the press waits: the window still handles events.
  QTimer::singleShot(0, &form_, [&] {
    busyCursor = QApplication::overrideCursor() != nullptr &&
                 QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    anyEnabled = slow_->isEnabled() || quick_->isEnabled();
    cleared = number_->text().isEmpty();
    form_.reject();
    closed = !form_.isVisible();
    released_.set_value();
  });

  slow_->click();

  EXPECT_TRUE(busyCursor);
  EXPECT_FALSE(anyEnabled);
  EXPECT_TRUE(cleared) << "what the button clears stayed on screen during the press";
  EXPECT_FALSE(closed);
  EXPECT_EQ(number_->text(), QStringLiteral("77"));
  EXPECT_EQ(form_.ResultLbl->text(), QStringLiteral("slow done"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(slow_->isEnabled());
  EXPECT_TRUE(quick_->isEnabled());
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(TestPanelFormPressTest, EnterPressesTheFocusedButtonWhichHasTheFocusAgainAfterThePress) {
  form_.show();
  quick_->setFocus();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(quick_, &enter);
  EXPECT_EQ(quickPresses_, 1);
  EXPECT_EQ(form_.ResultLbl->text(), QStringLiteral("quick 5301"));
  EXPECT_EQ(form_.focusWidget(), quick_);

  QKeyEvent keypadEnter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
  QApplication::sendEvent(quick_, &keypadEnter);
  EXPECT_EQ(quickPresses_, 2);
  EXPECT_EQ(form_.focusWidget(), quick_);

  // Enter in an entry presses no button.
  number_->setFocus();
  QApplication::sendEvent(number_, &enter);
  EXPECT_EQ(quickPresses_, 2);
  EXPECT_EQ(form_.focusWidget(), number_);
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

}  // namespace
}  // namespace keydesk
