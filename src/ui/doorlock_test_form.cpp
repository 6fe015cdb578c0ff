#include "ui/doorlock_test_form.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "kinds/test_dialogs.h"
#include "kinds/test_outcome.h"
#include "ui/ansi_text.h"
#include "ui/card_test_controls.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {

TDoorlockTestForm::TDoorlockTestForm(DoorlockService& service, QWidget* parent)
    : TestDialog(parent), actions_(service) {
  setObjectName(QStringLiteral("TDoorlockTestForm"));
  setWindowTitle(QString::fromUtf8(kTestCaption));
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
  ResultLbl = controls.ResultLbl;

  CheckInDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckIn()));
  CheckOutDateTimeTxt->setText(FromAnsi(actions_.DefaultCheckOut()));

  ConnectOutcome(OpenPortBtn, "打开串口", &DoorlockTestActions::OpenPort);
  ConnectOutcome(ClosePortBtn, "关闭串口", &DoorlockTestActions::ClosePort);
  ConnectGuarded(this, EraseCardBtn, &QPushButton::clicked, [this] {
    const bool erased = RunEncoderCall([this] { return actions_.EraseCard(); });
    ShowOutcome(DoorlockTestActions::EraseOutcome(erased));
  });
  ConnectGuarded(this, beepBtn, &QPushButton::clicked, [this] {
    RunEncoderCall([this] { actions_.Beep(); });
    ShowOutcome(TestDoneText("Beep"));
  });
  connect(WriteCardBtn, &QPushButton::clicked, this, &TDoorlockTestForm::WriteCardBtnClick);
  connect(ReadCardBtn, &QPushButton::clicked, this, &TDoorlockTestForm::ReadCardBtnClick);
}

void TDoorlockTestForm::ConnectOutcome(QPushButton* button, const char* action,
                                       bool (DoorlockTestActions::*call)()) {
  ConnectGuarded(this, button, &QPushButton::clicked, [this, action, call] {
    const bool succeeded = RunEncoderCall([this, call] { return (actions_.*call)(); });
    ShowOutcome(TestOutcomeText(action, succeeded));
  });
}

void TDoorlockTestForm::WriteCardBtnClick() {
  ShowOutcome({});
  RunGuarded(this, [this] {
    TestCardEntries entries;
    entries.RoomBuildingCode = ToAnsi(RoomBuildingCodeTxt->text());
    entries.RoomFloorCode = ToAnsi(RoomFloorCodeTxt->text());
    entries.RoomNo = ToAnsi(RoomNoTxt->text());
    entries.CheckIn = ToAnsi(CheckInDateTimeTxt->text());
    entries.CheckOut = ToAnsi(CheckOutDateTimeTxt->text());
    entries.IsCopy = IsCopyCheckBox->isChecked();
    int64_t cardNo = 0;
    const bool written = RunEncoderCall([&] { return actions_.WriteCard(entries, cardNo); });
    ShowOutcome(DoorlockTestActions::WriteOutcome(written, cardNo));
  });
}

void TDoorlockTestForm::ReadCardBtnClick() {
  // Nothing of an earlier card stays on screen while this one is read.
  CardNoTxt->clear();
  ShowOutcome({});
  RunGuarded(this, [this] {
    // Zero unless the driver got as far as the card's number.
    int64_t cardNo = 0;
    TCardDetails details;
    std::string journal;
    const bool read = RunEncoderCall([&] {
      const bool succeeded = actions_.ReadCardDetails(cardNo, details);
      if (succeeded) journal = actions_.JournalText(cardNo);
      return succeeded;
    });
    CardNoTxt->setText(QString::number(cardNo));
    std::string outcome = DoorlockTestActions::ReadOutcome(read, cardNo, details);
    if (!journal.empty()) outcome += "\n" + journal;
    ShowOutcome(outcome);
  });
}

}  // namespace keydesk
