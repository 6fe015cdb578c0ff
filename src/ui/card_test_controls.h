#pragma once

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace keydesk {

// The controls that the door lock and hand-tag test dialogs share, laid out top to bottom:
// the open, beep and close buttons; building, floor and room; check-in "到" check-out; the
// copy box with the write button; the number box with the read and erase buttons; the line
// that says what the last button did.
struct CardTestControls {
  // Builds the controls into the fixed-size test dialog. numberName names the number box
  // ("CardNoTxt", "HandNoTxt"); writeButtonAtRight puts the write button at the row's end.
  CardTestControls(QDialog& dialog, const char* numberName, bool writeButtonAtRight);

  QPushButton* OpenPortBtn;
  QPushButton* beepBtn;
  QPushButton* ClosePortBtn;
  QLineEdit* RoomBuildingCodeTxt;
  QLineEdit* RoomFloorCodeTxt;
  QLineEdit* RoomNoTxt;
  QLineEdit* CheckInDateTimeTxt;
  QLineEdit* CheckOutDateTimeTxt;
  QCheckBox* IsCopyCheckBox;
  QPushButton* WriteCardBtn;
  QLineEdit* NumberTxt;
  QPushButton* ReadCardBtn;
  QPushButton* EraseCardBtn;
  QLabel* ResultLbl;
};

}  // namespace keydesk
