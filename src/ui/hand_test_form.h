#pragma once

#include <QDialog>

#include "kinds/hand/hand_test_actions.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace keydesk {

// The hand-tag test dialog: exercises the installed hand-tag device by hand, without a PMS.
// Only the hand number box is wired to the device; the room, time and copy controls are
// shown for the look of the door lock dialog and read by nothing. No result is shown but the
// hand number each card operation gives back.
class THandTestForm final : public QDialog {
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
  void ShowHandNo(bool (HandTestActions::*operation)(std::string&));

  HandTestActions actions_;
};

}  // namespace keydesk
