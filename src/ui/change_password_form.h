#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace keydesk {

class Desk;

// The change dialog for the administrator password: the new password twice; it ends with OK
// only after the password was changed and saved.
class TChangePasswordForm final : public QDialog {
 public:
  TChangePasswordForm(Desk& desk, QWidget* owner);

  QLineEdit* edtPswd;
  QLineEdit* edtConfirmPswd;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void btnOKClick();

  Desk& desk_;
};

}  // namespace keydesk
