#include "ui_win32/gui_main.h"

#include <windows.h>

#include "app/desk.h"
#include "ui_win32/main_form.h"
#include "ui_win32/message_box.h"
#include "ui_win32/window_text.h"

namespace keydesk {

void ShowStartupError(int interfaceKind, const std::string& message) {
  MessageBoxes::Show(nullptr,
                     {BoxIcon::Error, AnsiFromUtf8Text(DeskTitle(interfaceKind)), message});
}

WindowResult RunWindow(Application& application) {
  Desk desk(application);
  WindowResult result;
  {
    TMainForm form(desk);
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
  desk.Shutdown();
  return result;
}

}  // namespace keydesk
