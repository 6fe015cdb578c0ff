#include "ui_win32/gui_main.h"

#include <windows.h>

#include "app/application.h"
#include "app/device_options.h"
#include "kinds/kind_registry.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"
#include "ui_win32/main_form.h"
#include "ui_win32/message_box.h"
#include "ui_win32/option_form.h"

namespace keydesk {

void ShowDoorlockOptions() {
  TMainForm* mainWindow = TMainForm::MainWindow();
  if (mainWindow == nullptr) return;
  TOptionForm form(mainWindow->Context().Option);
  form.ShowModal(mainWindow->Handle());
}

void ShowDeviceOptions() {
  TMainForm* mainWindow = TMainForm::MainWindow();
  if (mainWindow == nullptr) return;
  MessageBoxes::Show(mainWindow->Handle(), kNoDeviceOptions);
}

void ShowStartupError(int interfaceKind, const std::string& message) {
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  MessageBoxes::Show(
      nullptr, {BoxIcon::Error, AnsiFromUtf8(kind != nullptr ? kind->Title : "keydesk"), message});
}

WindowResult RunWindow(Application& application) {
  WindowResult result;
  {
    TMainForm form(application.Context(), application.Kind());
    ShowWindow(form.Handle(), SW_SHOWNORMAL);
    UpdateWindow(form.Handle());
    MSG message;
    BOOL got = 0;
    while (!form.Closed() && (got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    result.ExitStatus = got < 0 ? 1 : 0;
    form.FormDestroy();
    result.ThreadsLeftRunning = form.ThreadsLeftRunning();
  }
  // After "Terminate Thread Timeout" shutting down goes on: the port is closed all the same.
  application.Shutdown();
  return result;
}

}  // namespace keydesk
