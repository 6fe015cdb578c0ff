#pragma once

#include <QDialog>

#include "kinds/doorlock/doorlock_test_actions.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace keydesk {

struct DoorlockService;

// The door lock test dialog: exercises the installed driver by hand, without a PMS. It shows
// no results but the number of a card read; the driver's log lines are the trace.
class TDoorlockTestForm final : public QDialog {
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

  DoorlockTestActions actions_;
};

}  // namespace keydesk
