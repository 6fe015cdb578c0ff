#include "ui/doorlock_test_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {
namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QLineEdit* Edit(QWidget* parent, const char* name, const char* text) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QLabel* Label(QWidget* parent, const char* text) {
  return new QLabel(QString::fromUtf8(text), parent);
}

}  // namespace

TDoorlockTestForm::TDoorlockTestForm(AppContext& context, QWidget* parent)
    : QDialog(parent), actions_(context) {
  setObjectName(QStringLiteral("TDoorlockTestForm"));
  setWindowTitle(QStringLiteral("测试"));
  setFont(DialogFont());
  setFixedSize(599, 394);

  OpenPortBtn = Button(this, "OpenPortBtn", "打开串口");
  beepBtn = Button(this, "beepBtn", "Beep");
  ClosePortBtn = Button(this, "ClosePortBtn", "关闭串口");
  RoomBuildingCodeTxt = Edit(this, "RoomBuildingCodeTxt", "00");
  RoomFloorCodeTxt = Edit(this, "RoomFloorCodeTxt", "01");
  RoomNoTxt = Edit(this, "RoomNoTxt", "01");
  CheckInDateTimeTxt = Edit(this, "CheckInDateTimeTxt", "");
  CheckOutDateTimeTxt = Edit(this, "CheckOutDateTimeTxt", "");
  IsCopyCheckBox = new QCheckBox(QStringLiteral("复制"), this);
  IsCopyCheckBox->setObjectName(QStringLiteral("IsCopyCheckBox"));
  WriteCardBtn = Button(this, "WriteCardBtn", "写卡");
  CardNoTxt = Edit(this, "CardNoTxt", "");
  ReadCardBtn = Button(this, "ReadCardBtn", "读卡");
  EraseCardBtn = Button(this, "EraseCardBtn", "销卡");

  auto* portRow = new QHBoxLayout;
  portRow->addWidget(OpenPortBtn);
  portRow->addWidget(beepBtn);
  portRow->addWidget(ClosePortBtn);
  portRow->addStretch(1);

  auto* roomRow = new QHBoxLayout;
  roomRow->addWidget(Label(this, "楼号:"));
  roomRow->addWidget(RoomBuildingCodeTxt);
  roomRow->addSpacing(12);
  roomRow->addWidget(Label(this, "楼层:"));
  roomRow->addWidget(RoomFloorCodeTxt);
  roomRow->addSpacing(12);
  roomRow->addWidget(Label(this, "房号:"));
  roomRow->addWidget(RoomNoTxt);
  roomRow->addStretch(1);

  auto* timeRow = new QHBoxLayout;
  timeRow->addWidget(Label(this, "起始时间："));
  timeRow->addWidget(CheckInDateTimeTxt, 1);
  timeRow->addWidget(Label(this, "到"));
  timeRow->addWidget(CheckOutDateTimeTxt, 1);

  auto* writeRow = new QHBoxLayout;
  writeRow->addWidget(IsCopyCheckBox);
  writeRow->addSpacing(12);
  writeRow->addWidget(WriteCardBtn);
  writeRow->addStretch(1);

  auto* cardRow = new QHBoxLayout;
  cardRow->addWidget(Label(this, "卡号"));
  cardRow->addWidget(CardNoTxt, 1);
  cardRow->addWidget(ReadCardBtn);
  cardRow->addWidget(EraseCardBtn);

  // The five rows spread evenly down the fixed dialog.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(32, 32, 32, 32);
  for (QLayout* row : {portRow, roomRow, timeRow, writeRow}) {
    layout->addLayout(row);
    layout->addStretch(1);
  }
  layout->addLayout(cardRow);

  CheckInDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckIn()));
  CheckOutDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckOut()));

  connect(OpenPortBtn, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { actions_.OpenPort(); }); });
  connect(beepBtn, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { actions_.Beep(); }); });
  connect(ClosePortBtn, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { actions_.ClosePort(); }); });
  connect(EraseCardBtn, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { actions_.EraseCard(); }); });
  connect(WriteCardBtn, &QPushButton::clicked, this, &TDoorlockTestForm::WriteCardBtnClick);
  connect(ReadCardBtn, &QPushButton::clicked, this, &TDoorlockTestForm::ReadCardBtnClick);
}

void TDoorlockTestForm::WriteCardBtnClick() {
  RunGuarded(this, [this] {
    TestCardEntries entries;
    entries.RoomBuildingCode = ToAnsi(RoomBuildingCodeTxt->text());
    entries.RoomFloorCode = ToAnsi(RoomFloorCodeTxt->text());
    entries.RoomNo = ToAnsi(RoomNoTxt->text());
    entries.CheckIn = ToAnsi(CheckInDateTimeTxt->text());
    entries.CheckOut = ToAnsi(CheckOutDateTimeTxt->text());
    entries.IsCopy = IsCopyCheckBox->isChecked();
    int64_t cardNo = 0;
    actions_.WriteCard(entries, cardNo);
  });
}

void TDoorlockTestForm::ReadCardBtnClick() {
  RunGuarded(this, [this] {
    // Zero unless the driver got as far as the card's number.
    int64_t cardNo = 0;
    actions_.ReadCard(cardNo);
    CardNoTxt->setText(QString::number(cardNo));
  });
}

}  // namespace keydesk
