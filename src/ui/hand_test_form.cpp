#include "ui/hand_test_form.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "ui/ansi_text.h"
#include "ui/card_test_controls.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {

THandTestForm::THandTestForm(const HandTestActions& actions, QWidget* parent)
    : QDialog(parent), actions_(actions) {
  setObjectName(QStringLiteral("THandTestForm"));
  setWindowTitle(QStringLiteral("测试"));
  setFont(DialogFont());
  setFixedSize(599, 394);

  const CardTestControls controls(*this, "HandNoTxt", /*writeButtonAtRight=*/true);
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
  HandNoTxt = controls.NumberTxt;
  ReadCardBtn = controls.ReadCardBtn;
  EraseCardBtn = controls.EraseCardBtn;

  const QList<QWidget*> tabOrder = {
      OpenPortBtn,         ClosePortBtn, HandNoTxt,     RoomNoTxt,    RoomFloorCodeTxt,
      RoomBuildingCodeTxt, ReadCardBtn,  WriteCardBtn,  EraseCardBtn, CheckInDateTimeTxt,
      CheckOutDateTimeTxt, beepBtn,      IsCopyCheckBox};
  for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  CheckInDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckIn()));
  CheckOutDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckOut()));

  ConnectGuarded(this, OpenPortBtn, &QPushButton::clicked, [this] { actions_.OpenPort(); });
  ConnectGuarded(this, beepBtn, &QPushButton::clicked, [this] { actions_.Beep(); });
  ConnectGuarded(this, ClosePortBtn, &QPushButton::clicked, [this] { actions_.ClosePort(); });
  connect(ReadCardBtn, &QPushButton::clicked, this,
          [this] { ShowHandNo(&HandTestActions::ReadCard); });
  // An operator trying the encoder wants to see which tag was written or erased too.
  connect(WriteCardBtn, &QPushButton::clicked, this,
          [this] { ShowHandNo(&HandTestActions::WriteCard); });
  connect(EraseCardBtn, &QPushButton::clicked, this,
          [this] { ShowHandNo(&HandTestActions::EraseCard); });
}

void THandTestForm::ShowHandNo(bool (HandTestActions::*operation)(std::string&)) {
  RunGuarded(this, [this, operation] {
    std::string handNo;
    (actions_.*operation)(handNo);
    HandNoTxt->setText(FromAnsi(handNo));
  });
}

}  // namespace keydesk
