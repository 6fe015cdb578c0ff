#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace keydesk {

class TSysOption;

// The change dialog for the administrator password: the new password twice; it ends with OK
// only after the password was changed and saved.
class TChangePasswordForm final : public QDialog {
 public:
  TChangePasswordForm(TSysOption& sysOption, QWidget* owner);

  QLineEdit* edtPswd;
  QLineEdit* edtConfirmPswd;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void btnOKClick();

  TSysOption& sysOption_;
};

// Shows the change dialog modally over owner.
void ChangeAdminPassword(TSysOption& sysOption, QWidget* owner);

}  // namespace keydesk
