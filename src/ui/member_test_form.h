#pragma once

#include "kinds/member/member_test_actions.h"
#include "ui/test_dialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace keydesk {

// The member-card test dialog: exercises the installed member-card device by hand, without
// a PMS. After each button a line says whether it worked; a read puts the card number and
// password it gave back into the boxes, whatever the result.
class TMemberTestForm final : public TestDialog {
 public:
  explicit TMemberTestForm(const MemberTestActions& actions, QWidget* parent = nullptr);

  QPushButton* OpenPortBtn;
  QPushButton* beepBtn;
  QPushButton* ClosePortBtn;
  QComboBox* ChannelCmb;
  QLineEdit* CardNoEdit;
  QLineEdit* PasswordEdit;
  QPushButton* ReadCardBtn;
  QPushButton* WriteCardBtn;
  QPushButton* PrintCardBtn;

 private:
  void ReadCardBtnClick();
  void WriteCardBtnClick();
  // A button whose call gives only success or failure.
  void ConnectOutcome(QPushButton* button, const char* action, bool (MemberTestActions::*call)());

  MemberTestActions actions_;
};

}  // namespace keydesk
