#include "ui/gui_main.h"

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "app/desk.h"
#include "ui/ansi_text.h"
#include "ui/main_form.h"
#include "ui/message_box.h"
#include "ui/qt_translations.h"

namespace keydesk {

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

void ShowStartupError(int& argc, char** argv, int interfaceKind, const std::string& message) {
  std::unique_ptr<QApplication> created;
  if (QApplication::instance() == nullptr) {
    created = std::make_unique<QApplication>(argc, argv);
    InstallQtChineseTexts();
  }
  MessageBox::Error(nullptr, QString::fromStdString(DeskTitle(interfaceKind)), FromAnsi(message));
}

WindowResult RunWindow(Application& application, int& argc, char** argv) {
  QApplication qtApplication(argc, argv);
  InstallQtChineseTexts();
  // The run ends when the main window lets a close through, not when windows happen to hide.
  QApplication::setQuitOnLastWindowClosed(false);
  WindowResult result;
  Desk desk(application);
  {
    TMainForm form(desk);
    QObject::connect(&form, &TMainForm::Closed, &qtApplication, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    result.ExitStatus = QApplication::exec();
    form.FormDestroy();
    result.ThreadsLeftRunning = form.ThreadsLeftRunning();
  }
  // After "Terminate Thread Timeout" shutting down goes on: the port is closed all the same.
  desk.Shutdown();
  return result;
}

}  // namespace keydesk
