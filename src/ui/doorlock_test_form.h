#pragma once

#include "kinds/doorlock/doorlock_test_actions.h"
#include "ui/test_dialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace keydesk {

struct DoorlockService;

// The door lock test dialog: exercises the installed driver by hand, without a PMS. After each
// button a line says whether it worked (for a read: the card's number, room and validity);
// the driver's log lines are the full trace.
class TDoorlockTestForm final : public TestDialog {
 public:
  explicit TDoorlockTestForm(DoorlockService& service, QWidget* parent = nullptr);

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
  QLineEdit* CardNoTxt;
  QPushButton* ReadCardBtn;
  QPushButton* EraseCardBtn;

 private:
  void WriteCardBtnClick();
  void ReadCardBtnClick();
  // A button whose call gives only success or failure.
  void ConnectOutcome(QPushButton* button, const char* action, bool (DoorlockTestActions::*call)());

  DoorlockTestActions actions_;
};

}  // namespace keydesk
