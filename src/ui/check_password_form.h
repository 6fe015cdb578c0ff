#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace keydesk {

class Desk;

// The administrator password prompt: ends with OK only for an entry the desk takes, and keeps
// asking, without a limit, until then or Cancel.
class TCheckPasswordForm final : public QDialog {
 public:
  TCheckPasswordForm(const Desk& desk, QWidget* owner);

  QLineEdit* edtPswd;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void btnOKClick();

  const Desk& desk_;
};

}  // namespace keydesk
