#include "ui/test_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/ansi_text.h"

namespace keydesk {

void TestDialog::reject() {
  if (!busy_) QDialog::reject();
}

void TestDialog::closeEvent(QCloseEvent* event) {
  if (busy_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TestDialog::ShowOutcome(const std::string& text) {
  if (ResultLbl != nullptr) ResultLbl->setText(FromAnsi(text));
}

void TestDialog::SetBusy(bool busy) {
  busy_ = busy;
  for (QPushButton* button : findChildren<QPushButton*>()) button->setEnabled(!busy);
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace keydesk
