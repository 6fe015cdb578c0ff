#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace keydesk {

class Desk;

// The administrator password prompt: ends with OK only for an entry the desk takes, and keeps
// asking until then or Cancel, showing what the desk says of a wrong entry or of the wait
// after one.
class TCheckPasswordForm final : public QDialog {
 public:
  TCheckPasswordForm(Desk& desk, QWidget* owner);

  QLineEdit* edtPswd;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void btnOKClick();

  Desk& desk_;
};

}  // namespace keydesk
