#pragma once

#include "kinds/hand/hand_test_actions.h"
#include "ui/test_dialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace keydesk {

// The hand-tag test dialog: exercises the installed hand-tag device by hand, without a PMS.
// Only the hand number box is wired to the device; the room, time and copy controls are
// shown for the look of the door lock dialog and read by nothing. After each button a line
// says whether it worked; each card operation also shows the hand number it gave back.
class THandTestForm final : public TestDialog {
 public:
  explicit THandTestForm(const HandTestActions& actions, QWidget* parent = nullptr);

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
  QLineEdit* HandNoTxt;
  QPushButton* ReadCardBtn;
  QPushButton* EraseCardBtn;

 private:
  // Runs one card operation and shows the hand number it gave back, whatever the result.
  void ShowHandNo(const char* action, bool (HandTestActions::*operation)(std::string&));
  // A button whose call gives only success or failure.
  void ConnectOutcome(QPushButton* button, const char* action, bool (HandTestActions::*call)());

  HandTestActions actions_;
};

}  // namespace keydesk
