#include "ui/doorlock_test_form.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "ui/ansi_text.h"
#include "ui/card_test_controls.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {

TDoorlockTestForm::TDoorlockTestForm(DoorlockService& service, QWidget* parent)
    : QDialog(parent), actions_(service) {
  setObjectName(QStringLiteral("TDoorlockTestForm"));
  setWindowTitle(QStringLiteral("测试"));
  setFont(DialogFont());
  setFixedSize(599, 394);

  const CardTestControls controls(*this, "CardNoTxt", /*writeButtonAtRight=*/false);
  OpenPortBtn = controls.OpenPortBtn;
  beepBtn = controls.beepBtn;
  ClosePortBtn = controls.ClosePortBtn;
  RoomBuildingCodeTxt = controls.RoomBuildingCodeTxt;
  RoomFloorCodeTxt = controls.RoomFloorCodeTxt;
  RoomNoTxt = controls.RoomNoTxt;
  CheckInDateTimeTxt = controls.CheckInDateTimeTxt;
  CheckOutDateTimeTxt = controls.CheckOutDateTimeTxt;
  IsCopyCheckBox = controls.IsCopyCheckBox;
  WriteCardBtn = controls.WriteCardBtn;
  CardNoTxt = controls.NumberTxt;
  ReadCardBtn = controls.ReadCardBtn;
  EraseCardBtn = controls.EraseCardBtn;

  CheckInDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckIn()));
  CheckOutDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckOut()));

  ConnectGuarded(this, OpenPortBtn, &QPushButton::clicked, [this] { actions_.OpenPort(); });
  ConnectGuarded(this, beepBtn, &QPushButton::clicked, [this] { actions_.Beep(); });
  ConnectGuarded(this, ClosePortBtn, &QPushButton::clicked, [this] { actions_.ClosePort(); });
  ConnectGuarded(this, EraseCardBtn, &QPushButton::clicked, [this] { actions_.EraseCard(); });
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
