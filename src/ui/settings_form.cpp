#include "ui/settings_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/desk.h"
#include "app/system_settings.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"
#include "ui/message_box.h"

namespace keydesk {
namespace {

// On for any number but 0, as start-up reads a switch.
bool SwitchedOn(const std::string& value) {
  return QString::fromStdString(value).trimmed().toInt() != 0;
}

}  // namespace

TSettingsForm::TSettingsForm(SystemSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName(QStringLiteral("TSettingsForm"));
  setWindowTitle(QStringLiteral("系统设置"));
  setFont(DialogFont());

  // Two columns of groups, each field a row of its caption and its entry.
  const std::vector<SettingField>& fields = settings_.Fields();
  const size_t secondColumn = SecondColumnStart(fields);
  auto* columns = new QHBoxLayout;
  QGridLayout* grid = nullptr;
  int row = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const SettingField& field = fields[i];
    if (grid == nullptr || i == secondColumn) {
      grid = new QGridLayout;
      grid->setColumnStretch(1, 1);
      columns->addLayout(grid, 1);
      row = 0;
    }
    if (i == 0 || field.Group != fields[i - 1].Group) {
      auto* heading = new QLabel(QString::fromStdString(field.Group), this);
      QFont bold = heading->font();
      bold.setBold(true);
      heading->setFont(bold);
      grid->addWidget(heading, row++, 0, 1, 2);
    }
    auto* caption = new QLabel(QString::fromStdString(field.Caption), this);
    grid->addWidget(caption, row, 0);
    QWidget* entry = nullptr;
    if (field.Kind == SettingKind::Switch) {
      auto* box = new QCheckBox(this);
      box->setChecked(SwitchedOn(field.Value));
      entry = box;
    } else if (!field.Choices.empty()) {
      // Offered, and typed all the same.
      auto* list = new QComboBox(this);
      list->setEditable(true);
      for (const std::string& choice : field.Choices) list->addItem(FromAnsi(choice));
      list->setCurrentText(FromAnsi(field.Value));
      entry = list;
    } else {
      entry = new QLineEdit(FromAnsi(field.Value), this);
    }
    entry->setObjectName(QString::fromStdString(EntryName(field)));
    entry->setToolTip(QString::fromStdString(field.Help));
    caption->setToolTip(QString::fromStdString(field.Help));
    caption->setBuddy(entry);
    grid->addWidget(entry, row++, 1);
    entries_.push_back(entry);
  }
  // A shorter column keeps its rows at the top.
  for (int i = 0; i < columns->count(); ++i) {
    auto* column = static_cast<QGridLayout*>(columns->itemAt(i)->layout());
    column->setRowStretch(column->rowCount(), 1);
  }
  btnOK = NamedButton(this, "btnOK", "确定");
  btnOK->setDefault(true);
  btnCancel = NamedButton(this, "btnCancel", "取消");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addStretch(1);
  layout->addLayout(buttons);
  resize(900, sizeHint().height());

  connect(btnOK, &QPushButton::clicked, this, &TSettingsForm::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TSettingsForm::btnOKClick() {
  RunGuarded(this, [this] {
    std::vector<std::string> entries;
    for (size_t i = 0; i < entries_.size(); ++i) {
      const std::string& value = settings_.Fields()[i].Value;
      if (const auto* box = qobject_cast<const QCheckBox*>(entries_[i])) {
        // An untouched box gives back what the file holds, so that a switch written as "2"
        // (on) is not rewritten, least of all as off.
        const bool on = box->isChecked();
        entries.push_back(on == SwitchedOn(value) ? value : (on ? "1" : "0"));
      } else if (const auto* list = qobject_cast<const QComboBox*>(entries_[i])) {
        entries.push_back(ToAnsi(list->currentText()));
      } else {
        entries.push_back(ToAnsi(static_cast<const QLineEdit*>(entries_[i])->text()));
      }
    }
    const std::string saved = settings_.Save(entries);
    MessageBox::Information(this, QString::fromUtf8(kHintCaption), FromAnsi(saved));
    accept();
  });
}

}  // namespace keydesk
