#pragma once

#include <QDialog>

#include "kinds/member/member_test_actions.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace keydesk {

// The member-card test dialog: exercises the installed member-card device by hand, without
// a PMS. It shows no result; a read puts the card number and password it gave back into the
// boxes, whatever the result.
class TMemberTestForm final : public QDialog {
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

  MemberTestActions actions_;
};

}  // namespace keydesk
