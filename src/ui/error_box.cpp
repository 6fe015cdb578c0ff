#include "ui/error_box.h"

#include <QCoreApplication>

#include "ui/ansi_text.h"
#include "ui/message_box.h"

namespace keydesk {

void ShowErrorBox(QWidget* parent, const std::exception& error) {
  MessageBox::Error(parent, QCoreApplication::applicationName(), FromAnsi(error.what()));
}

}  // namespace keydesk
