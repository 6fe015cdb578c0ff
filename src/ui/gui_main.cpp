#include "ui/gui_main.h"

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "app/application.h"
#include "app/device_options.h"
#include "doorlock/option.h"
#include "kinds/kind_registry.h"
#include "kinds/service_context.h"
#include "ui/ansi_text.h"
#include "ui/main_form.h"
#include "ui/message_box.h"
#include "ui/option_form.h"
#include "ui/qt_translations.h"

namespace keydesk {

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

void ShowDoorlockOptions() {
  TMainForm* mainWindow = TMainForm::MainWindow();
  if (mainWindow == nullptr) return;
  TOptionForm form(mainWindow->Context().Option, mainWindow);
  form.exec();
}

void ShowDeviceOptions() {
  TMainForm* mainWindow = TMainForm::MainWindow();
  if (mainWindow == nullptr) return;
  MessageBox::Show(mainWindow, kNoDeviceOptions);
}

void ShowStartupError(int& argc, char** argv, int interfaceKind, const std::string& message) {
  std::unique_ptr<QApplication> created;
  if (QApplication::instance() == nullptr) {
    created = std::make_unique<QApplication>(argc, argv);
    InstallQtChineseTexts();
  }
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  const QString title = QString::fromUtf8(kind != nullptr ? kind->Title : "keydesk");
  MessageBox::Error(nullptr, title, FromAnsi(message));
}

WindowResult RunWindow(Application& application, int& argc, char** argv) {
  QApplication qtApplication(argc, argv);
  InstallQtChineseTexts();
  // The run ends when the main window lets a close through, not when windows happen to hide.
  QApplication::setQuitOnLastWindowClosed(false);
  WindowResult result;
  {
    TMainForm form(application.Context(), application.Kind());
    QObject::connect(&form, &TMainForm::Closed, &qtApplication, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    result.ExitStatus = QApplication::exec();
    form.FormDestroy();
    result.ThreadsLeftRunning = form.ThreadsLeftRunning();
  }
  // After "Terminate Thread Timeout" shutting down goes on: the port is closed all the same.
  application.Shutdown();
  return result;
}

}  // namespace keydesk
