#include "ui/test_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/ansi_text.h"

namespace keydesk {

void TestDialog::reject() {
  if (!busy_) QDialog::reject();
}

void TestDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  // A button that is not a default button passes Enter on to its dialog.
  if (enter && plain) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      if (button->isEnabled()) button->click();
      return;
    }
  }
  QDialog::keyPressEvent(event);
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
  if (busy) pressed_ = qobject_cast<QPushButton*>(focusWidget());
  for (QPushButton* button : findChildren<QPushButton*>()) button->setEnabled(!busy);
  if (busy) {
    parked_ = focusWidget();
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
    // Disabling the pressed button moved the focus on to an entry; it comes back unless the
    // clerk has put it elsewhere meanwhile.
    if (pressed_ != nullptr && focusWidget() == parked_) pressed_->setFocus(Qt::OtherFocusReason);
  }
}

}  // namespace keydesk
