#include "ui/test_panel_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

#include "app/desk.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {
namespace {

// A row of controls by name: "" is a stretch and " " a gap. A text entry or choice comes with
// its caption before it, and widens unless the row has a stretch. Rows of one text entry
// each share a grid, so that their boxes line up.
using Row = std::vector<std::string>;

struct PanelLayout {
  const char* Panel;
  QSize Size;
  QMargins Margins;
  std::vector<Row> Rows;
  std::vector<std::string> TabOrder;  // empty: the rows' order
};

const Row kPortRow = {"OpenPortBtn", "beepBtn", "ClosePortBtn", ""};
const Row kRoomRow = {"RoomBuildingCodeTxt", " ", "RoomFloorCodeTxt", " ", "RoomNoTxt", ""};
const Row kStayRow = {"CheckInDateTimeTxt", "CheckOutDateTimeTxt"};

// The dialogs as they always looked. The hand-tag dialog has the door lock's look with the
// write button at the row's end, and both it and the member-card dialog their own tab order.
const PanelLayout kLayouts[] = {
    {"TDoorlockTestForm",
     {599, 394},
     {32, 32, 32, 16},
     {kPortRow,
      kRoomRow,
      kStayRow,
      {"IsCopyCheckBox", " ", "WriteCardBtn", ""},
      {"CardNoTxt", "ReadCardBtn", "EraseCardBtn"}},
     {}},
    {"THandTestForm",
     {599, 394},
     {32, 32, 32, 16},
     {kPortRow,
      kRoomRow,
      kStayRow,
      {"IsCopyCheckBox", "", "WriteCardBtn"},
      {"HandNoTxt", "ReadCardBtn", "EraseCardBtn"}},
     {"OpenPortBtn", "ClosePortBtn", "HandNoTxt", "RoomNoTxt", "RoomFloorCodeTxt",
      "RoomBuildingCodeTxt", "ReadCardBtn", "WriteCardBtn", "EraseCardBtn", "CheckInDateTimeTxt",
      "CheckOutDateTimeTxt", "beepBtn", "IsCopyCheckBox"}},
    {"TMemberTestForm",
     {441, 311},
     {24, 24, 24, 24},
     {kPortRow,
      {"ChannelCmb"},
      {"CardNoEdit"},
      {"PasswordEdit"},
      {"ReadCardBtn", "WriteCardBtn", "PrintCardBtn", ""}},
     {"OpenPortBtn", "ClosePortBtn", "CardNoEdit", "PasswordEdit", "ReadCardBtn", "WriteCardBtn",
      "beepBtn", "ChannelCmb", "PrintCardBtn"}},
};

// An entry's text as the panel takes it: code page 936, a check box "1" or "0".
std::string TextOf(const QWidget* control) {
  if (const auto* box = qobject_cast<const QCheckBox*>(control))
    return box->isChecked() ? "1" : "0";
  if (const auto* box = qobject_cast<const QComboBox*>(control)) return ToAnsi(box->currentText());
  if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return ToAnsi(edit->text());
  return {};
}

void SetText(QWidget* control, const std::string& text) {
  if (auto* box = qobject_cast<QCheckBox*>(control)) {
    box->setChecked(text == "1");
  } else if (auto* box = qobject_cast<QComboBox*>(control)) {
    const int item = box->findText(FromAnsi(text));
    if (item >= 0)
      box->setCurrentIndex(item);
    else
      box->setEditText(FromAnsi(text));
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(FromAnsi(text));
  }
}

}  // namespace

TTestPanelForm::TTestPanelForm(const TestPanel& panel, QWidget* parent)
    : QDialog(parent), panel_(panel) {
  setObjectName(QString::fromStdString(panel_.Name()));
  setWindowTitle(QStringLiteral("测试"));
  setFont(DialogFont());
  CreateControls();
  LayOut();
}

void TTestPanelForm::CreateControls() {
  for (const PanelEntry& entry : panel_.Entries()) {
    QWidget* control = nullptr;
    if (entry.Kind == PanelEntryKind::Check) {
      control = new QCheckBox(QString::fromStdString(entry.Caption), this);
    } else {
      captions_[entry.Name] = new QLabel(QString::fromStdString(entry.Caption), this);
    }
    if (entry.Kind == PanelEntryKind::Text) control = new QLineEdit(this);
    if (entry.Kind == PanelEntryKind::Choice) {
      auto* box = new QComboBox(this);
      box->setEditable(true);
      // Typed texts choose too; they must not become items.
      box->setInsertPolicy(QComboBox::NoInsert);
      for (const std::string& choice : entry.Choices) box->addItem(QString::fromStdString(choice));
      control = box;
    }
    control->setObjectName(QString::fromStdString(entry.Name));
    if (captions_.contains(entry.Name)) captions_[entry.Name]->setBuddy(control);
    SetText(control, entry.Text);
    controls_[entry.Name] = control;
  }
  for (const PanelButton& button : panel_.Buttons()) {
    QPushButton* created = NamedButton(this, button.Name.c_str(), button.Caption.c_str());
    connect(created, &QPushButton::clicked, this, [this, &button] { Press(button); });
    controls_[button.Name] = created;
  }
  ResultLbl = new QLabel(this);
  ResultLbl->setObjectName(QStringLiteral("ResultLbl"));
  ResultLbl->setWordWrap(true);
}

void TTestPanelForm::LayOut() {
  const auto known = std::ranges::find_if(
      kLayouts, [this](const PanelLayout& layout) { return panel_.Name() == layout.Panel; });
  const PanelLayout* layout = known != std::end(kLayouts) ? &*known : nullptr;
  std::vector<Row> rows = layout != nullptr ? layout->Rows : std::vector<Row>{};
  // What the layout does not place, every control of a panel without one: each entry on a
  // row of its own, the buttons in a row below.
  std::set<std::string> placed;
  for (const Row& row : rows) placed.insert(row.begin(), row.end());
  for (const PanelEntry& entry : panel_.Entries()) {
    if (!placed.contains(entry.Name)) rows.push_back({entry.Name});
  }
  Row buttons;
  for (const PanelButton& button : panel_.Buttons()) {
    if (!placed.contains(button.Name)) buttons.push_back(button.Name);
  }
  if (!buttons.empty()) {
    buttons.push_back("");
    rows.push_back(buttons);
  }

  auto* column = new QVBoxLayout(this);
  if (layout != nullptr) {
    setFixedSize(layout->Size);
    column->setContentsMargins(layout->Margins);
  }
  QGridLayout* grid = nullptr;
  std::vector<QWidget*> order;
  for (const Row& row : rows) {
    if (row.size() == 1 && captions_.contains(row[0])) {
      if (grid == nullptr) {
        grid = new QGridLayout;
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(12);
        grid->setColumnStretch(1, 1);
        column->addLayout(grid);
        column->addStretch(1);
      }
      const int at = static_cast<int>(order.size());
      grid->addWidget(captions_.at(row[0]), at, 0);
      grid->addWidget(Control(row[0]), at, 1);
      order.push_back(Control(row[0]));
      continue;
    }
    grid = nullptr;
    const bool widen = std::ranges::find(row, "") == row.end();
    auto* line = new QHBoxLayout;
    for (const std::string& name : row) {
      if (name.empty()) {
        line->addStretch(1);
      } else if (name == " ") {
        line->addSpacing(12);
      } else if (controls_.contains(name)) {
        const auto caption = captions_.find(name);
        if (caption != captions_.end()) line->addWidget(caption->second);
        line->addWidget(Control(name), widen && caption != captions_.end() ? 1 : 0);
        order.push_back(Control(name));
      }
    }
    column->addLayout(line);
    column->addStretch(1);
  }
  column->addWidget(ResultLbl);

  if (layout != nullptr && !layout->TabOrder.empty()) {
    order.clear();
    for (const std::string& name : layout->TabOrder) {
      if (controls_.contains(name)) order.push_back(Control(name));
    }
  }
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QWidget* TTestPanelForm::Control(const std::string& name) const { return controls_.at(name); }

void TTestPanelForm::Press(const PanelButton& button) {
  RunGuarded(this, [this, &button] {
    // Nothing of an earlier card stays on screen while the device works.
    for (const std::string& name : button.Clears) SetText(Control(name), {});
    ResultLbl->clear();
    PanelEntries entries;
    for (const PanelEntry& entry : panel_.Entries())
      entries[entry.Name] = TextOf(Control(entry.Name));
    QEventLoop loop;
    // The quit is queued, so it also ends the loop when the press ends before the loop runs.
    PanelPress press(panel_, button.Name, std::move(entries), [&loop] {
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    SetBusy(true);
    loop.exec();
    SetBusy(false);
    const PanelResult result = press.Take();
    ResultLbl->setText(FromAnsi(result.Line));
    ResultLbl->setStyleSheet(ToneStyle(result.Tone));
    for (const auto& [name, text] : result.Filled) SetText(Control(name), text);
  });
}

QString TTestPanelForm::ToneStyle(PanelTone tone) {
  switch (tone) {
    case PanelTone::Success:
      return QStringLiteral("color: #007000;");
    case PanelTone::Failure:
      return QStringLiteral("color: #c00000;");
    case PanelTone::Caution:
      return QStringLiteral("color: #a05a00;");
    case PanelTone::Plain:
      break;
  }
  return {};
}

void TTestPanelForm::reject() {
  if (!busy_) QDialog::reject();
}

void TTestPanelForm::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  // A button that is not a default button passes Enter on to its dialog.
  if (enter && plain) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      if (button->isEnabled()) button->click();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

void TTestPanelForm::closeEvent(QCloseEvent* event) {
  if (busy_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TTestPanelForm::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) pressed_ = qobject_cast<QPushButton*>(focusWidget());
  for (QPushButton* button : findChildren<QPushButton*>()) button->setEnabled(!busy);
  if (busy) {
    parked_ = focusWidget();
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
    // Disabling the pressed button moved the focus on to an entry; it comes back unless the
    // clerk has put it elsewhere meanwhile.
    if (pressed_ != nullptr && focusWidget() == parked_) pressed_->setFocus(Qt::OtherFocusReason);
  }
}

}  // namespace keydesk
