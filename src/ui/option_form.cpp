#include "ui/option_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <stdexcept>
#include <string>

#include "doorlock/option.h"
#include "kinds/doorlock/option_entries.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"
#include "ui/message_box.h"

namespace keydesk {
namespace {

// An editable combo box keeps an unlisted name as its text, so that a freely typed name
// survives the next "确定".
template <size_t N>
void SelectName(QComboBox& box, const std::array<const char*, N>& items, const std::string& name) {
  box.setCurrentIndex(ListIndexOf(items, name));
  if (box.isEditable() && box.currentIndex() < 0) box.setEditText(FromAnsi(name));
}

template <size_t N>
QComboBox* Combo(QWidget* parent, const char* name, const std::array<const char*, N>& items,
                 bool editable) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(editable);
  for (const char* item : items) box->addItem(QString::fromUtf8(item));
  return box;
}

const OptionKey& KeyOf(const char* name) {
  const OptionKey* key = FindOptionKey(DoorlockOptionKeys(), "DoorlockOption", name);
  if (key == nullptr) throw std::logic_error(std::string("No door lock option ") + name);
  return *key;
}

}  // namespace

TOptionForm::TOptionForm(SharedOption& option, QWidget* parent) : QDialog(parent), option_(option) {
  setObjectName(QStringLiteral("TOptionForm"));
  setWindowTitle(QString::fromUtf8(kOptionFormCaption));
  setFont(DialogFont());
  setFixedSize(563, 346);

  cbbPortNameCmb = Combo(this, "cbbPortNameCmb", kPortNames, false);
  cbbLockTypeNameCmb = Combo(this, "cbbLockTypeNameCmb", kLockTypeNames, false);
  cbbPowerSwitchType = Combo(this, "cbbPowerSwitchType", kPowerSwitchTypeNames, true);
  edtSectorNoEdit = NamedEdit(this, "edtSectorNoEdit");
  edtHotelPW = NamedEdit(this, "edtHotelPW");
  edtClientIdEdit = NamedEdit(this, "edtClientIdEdit");
  edtPSSectorNo = NamedEdit(this, "edtPSSectorNo");
  edtPSPassword = NamedEdit(this, "edtPSPassword");
  edtPubDoorEdit = NamedEdit(this, "edtPubDoorEdit");
  edtBeginAddr = NamedEdit(this, "edtBeginAddr");
  edtEndAddr = NamedEdit(this, "edtEndAddr");
  edtMaxLiftAddr = NamedEdit(this, "edtMaxLiftAddr");
  edtLiftData = NamedEdit(this, "edtLiftData");
  chkVerifyAfterWrite = new QCheckBox(QString::fromUtf8(kVerifyAfterWriteCaption), this);
  chkVerifyAfterWrite->setObjectName(QStringLiteral("chkVerifyAfterWrite"));
  chkVerifyAfterWrite->setToolTip(QString::fromUtf8(KeyOf("VerifyAfterWrite").Help));

  lblLiftDataNote = new QLabel(QString::fromUtf8(kLiftDataNote), this);
  lblLiftDataNote->setObjectName(QStringLiteral("lblLiftDataNote"));
  lblLiftDataNote->setTextFormat(Qt::PlainText);
  QPalette notePalette = lblLiftDataNote->palette();
  notePalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
  lblLiftDataNote->setPalette(notePalette);

  btnOKBtn = new QPushButton(QStringLiteral("确定"), this);
  btnOKBtn->setObjectName(QStringLiteral("btnOKBtn"));
  btnOKBtn->setDefault(true);
  btnCancelBtn = new QPushButton(QStringLiteral("取消"), this);
  btnCancelBtn->setObjectName(QStringLiteral("btnCancelBtn"));

  // Two columns of label and control; the left one is a row longer.
  auto* fields = new QGridLayout;
  fields->setHorizontalSpacing(8);
  fields->setVerticalSpacing(6);
  // Each control's key gives its help line; the labels keep the dialog's own spacing.
  auto place = [&](int row, int column, const char* label, QWidget* control, const char* key) {
    auto* caption = new QLabel(QString::fromUtf8(label), this);
    caption->setBuddy(control);
    fields->addWidget(caption, row, column * 3, Qt::AlignRight | Qt::AlignVCenter);
    fields->addWidget(control, row, column * 3 + 1);
    control->setToolTip(QString::fromUtf8(KeyOf(key).Help));
  };
  place(0, 0, "端    口：", cbbPortNameCmb, "PortName");
  place(1, 0, "卡类型：", cbbLockTypeNameCmb, "LockTypeName");
  place(2, 0, "取电类型：", cbbPowerSwitchType, "PowerSwitchTypeName");
  place(3, 0, "扇区号：", edtSectorNoEdit, "SectorNo");
  place(4, 0, "密    码：", edtHotelPW, "HotelPassword");
  place(5, 0, "电梯结束地址：", edtEndAddr, "EndAddr");
  place(6, 0, "电梯控制楼层：", edtLiftData, "LiftData");
  place(0, 1, "客户标识：", edtClientIdEdit, "ClientID");
  place(1, 1, "取电扇区号：", edtPSSectorNo, "PowerSwitchSectorNo");
  place(2, 1, "取电扇区密码：", edtPSPassword, "PowerSwitchPassword");
  place(3, 1, "公共门：", edtPubDoorEdit, "PubDoor");
  place(4, 1, "电梯起始地址：", edtBeginAddr, "BeginAddr");
  place(5, 1, "所有电梯最大地址：", edtMaxLiftAddr, "MaxLiftAddr");
  fields->addWidget(chkVerifyAfterWrite, 6, 3, 1, 2);
  fields->setColumnMinimumWidth(2, 16);
  fields->setColumnStretch(1, 1);
  fields->setColumnStretch(4, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOKBtn);
  buttons->addSpacing(16);
  buttons->addWidget(btnCancelBtn);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addLayout(fields);
  layout->addSpacing(4);
  layout->addWidget(lblLiftDataNote);
  layout->addStretch(1);
  layout->addLayout(buttons);

  setTabOrder(cbbPortNameCmb, cbbLockTypeNameCmb);
  setTabOrder(cbbLockTypeNameCmb, cbbPowerSwitchType);
  setTabOrder(cbbPowerSwitchType, edtSectorNoEdit);
  setTabOrder(edtSectorNoEdit, edtHotelPW);
  setTabOrder(edtHotelPW, edtEndAddr);
  setTabOrder(edtEndAddr, edtLiftData);
  setTabOrder(edtLiftData, edtClientIdEdit);
  setTabOrder(edtClientIdEdit, edtPSSectorNo);
  setTabOrder(edtPSSectorNo, edtPSPassword);
  setTabOrder(edtPSPassword, edtPubDoorEdit);
  setTabOrder(edtPubDoorEdit, edtBeginAddr);
  setTabOrder(edtBeginAddr, edtMaxLiftAddr);
  setTabOrder(edtMaxLiftAddr, chkVerifyAfterWrite);
  setTabOrder(chkVerifyAfterWrite, btnOKBtn);
  setTabOrder(btnOKBtn, btnCancelBtn);

  connect(btnOKBtn, &QPushButton::clicked, this, &TOptionForm::btnOKBtnClick);
  connect(btnCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  FormShow();
}

void TOptionForm::FormShow() {
  const TOptionEntries entries = EntriesFromOption(option_.Get());
  SelectName(*cbbPortNameCmb, kPortNames, entries.PortName);
  SelectName(*cbbLockTypeNameCmb, kLockTypeNames, entries.LockTypeName);
  SelectName(*cbbPowerSwitchType, kPowerSwitchTypeNames, entries.PowerSwitchTypeName);
  edtSectorNoEdit->setText(FromAnsi(entries.SectorNo));
  edtHotelPW->setText(FromAnsi(entries.HotelPassword));
  edtClientIdEdit->setText(FromAnsi(entries.ClientID));
  edtPSSectorNo->setText(FromAnsi(entries.PowerSwitchSectorNo));
  edtPSPassword->setText(FromAnsi(entries.PowerSwitchPassword));
  edtPubDoorEdit->setText(FromAnsi(entries.PubDoor));
  edtBeginAddr->setText(FromAnsi(entries.BeginAddr));
  edtEndAddr->setText(FromAnsi(entries.EndAddr));
  edtMaxLiftAddr->setText(FromAnsi(entries.MaxLiftAddr));
  edtLiftData->setText(FromAnsi(entries.LiftData));
  chkVerifyAfterWrite->setChecked(entries.VerifyAfterWrite);
}

TOptionEntries TOptionForm::Entries() const {
  TOptionEntries entries;
  entries.PortName = ToAnsi(cbbPortNameCmb->currentText());
  entries.LockTypeName = ToAnsi(cbbLockTypeNameCmb->currentText());
  entries.PowerSwitchTypeName = ToAnsi(cbbPowerSwitchType->currentText());
  entries.SectorNo = ToAnsi(edtSectorNoEdit->text());
  entries.HotelPassword = ToAnsi(edtHotelPW->text());
  entries.ClientID = ToAnsi(edtClientIdEdit->text());
  entries.PowerSwitchSectorNo = ToAnsi(edtPSSectorNo->text());
  entries.PowerSwitchPassword = ToAnsi(edtPSPassword->text());
  entries.PubDoor = ToAnsi(edtPubDoorEdit->text());
  entries.BeginAddr = ToAnsi(edtBeginAddr->text());
  entries.EndAddr = ToAnsi(edtEndAddr->text());
  entries.MaxLiftAddr = ToAnsi(edtMaxLiftAddr->text());
  entries.LiftData = ToAnsi(edtLiftData->text());
  entries.VerifyAfterWrite = chkVerifyAfterWrite->isChecked();
  return entries;
}

void TOptionForm::btnOKBtnClick() {
  RunGuarded(this, [this] {
    SaveOptionEntries(option_, Entries());
    MessageBox::Show(this, kOptionsSaved);
    accept();
  });
}

}  // namespace keydesk
