#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace keydesk {

class TSysOption;

// The administrator password prompt: ends with OK only for the right password, and keeps
// asking, without a limit, until then or Cancel.
class TCheckPasswordForm final : public QDialog {
 public:
  TCheckPasswordForm(const TSysOption& sysOption, QWidget* owner);

  QLineEdit* edtPswd;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void btnOKClick();

  const TSysOption& sysOption_;
};

// Shows the prompt modally over owner; true exactly when it ended with OK.
bool CheckAdminPassword(const TSysOption& sysOption, QWidget* owner);

}  // namespace keydesk
