#include "ui/hand_test_form.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "kinds/test_dialogs.h"
#include "kinds/test_outcome.h"
#include "platform/code_page.h"
#include "ui/ansi_text.h"
#include "ui/card_test_controls.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {

THandTestForm::THandTestForm(const HandTestActions& actions, QWidget* parent)
    : TestDialog(parent), actions_(actions) {
  setObjectName(QStringLiteral("THandTestForm"));
  setWindowTitle(QString::fromUtf8(kTestCaption));
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
  ResultLbl = controls.ResultLbl;

  const QList<QWidget*> tabOrder = {
      OpenPortBtn,         ClosePortBtn, HandNoTxt,     RoomNoTxt,    RoomFloorCodeTxt,
      RoomBuildingCodeTxt, ReadCardBtn,  WriteCardBtn,  EraseCardBtn, CheckInDateTimeTxt,
      CheckOutDateTimeTxt, beepBtn,      IsCopyCheckBox};
  for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  CheckInDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckIn()));
  CheckOutDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckOut()));

  ConnectOutcome(OpenPortBtn, "打开串口", &HandTestActions::OpenPort);
  ConnectOutcome(ClosePortBtn, "关闭串口", &HandTestActions::ClosePort);
  ConnectGuarded(this, beepBtn, &QPushButton::clicked, [this] {
    RunEncoderCall([this] { actions_.Beep(); });
    ShowOutcome(TestDoneText("Beep"));
  });
  connect(ReadCardBtn, &QPushButton::clicked, this,
          [this] { ShowHandNo("读卡", &HandTestActions::ReadCard); });
  // An operator trying the encoder wants to see which tag was written or erased too.
  connect(WriteCardBtn, &QPushButton::clicked, this,
          [this] { ShowHandNo("写卡", &HandTestActions::WriteCard); });
  connect(EraseCardBtn, &QPushButton::clicked, this,
          [this] { ShowHandNo("销卡", &HandTestActions::EraseCard); });
}

void THandTestForm::ConnectOutcome(QPushButton* button, const char* action,
                                   bool (HandTestActions::*call)()) {
  ConnectGuarded(this, button, &QPushButton::clicked, [this, action, call] {
    const bool succeeded = RunEncoderCall([this, call] { return (actions_.*call)(); });
    ShowOutcome(TestOutcomeText(action, succeeded));
  });
}

void THandTestForm::ShowHandNo(const char* action,
                               bool (HandTestActions::*operation)(std::string&)) {
  // Nothing of an earlier tag stays on screen while this operation runs.
  HandNoTxt->clear();
  ShowOutcome({});
  RunGuarded(this, [this, action, operation] {
    std::string handNo;
    const bool succeeded = RunEncoderCall([&] { return (actions_.*operation)(handNo); });
    HandNoTxt->setText(FromAnsi(handNo));
    ShowOutcome(HandTestActions::Outcome(action, succeeded, handNo));
  });
}

}  // namespace keydesk
