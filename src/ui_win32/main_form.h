#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "app/interface_server.h"
#include "ui_win32/info_memo.h"
#include "ui_win32/window_handles.h"

namespace keydesk {

class Kind;
struct ServiceContext;

// The main window: menu, toolbar, the log pane and the status bar, and the listener, which it
// starts when it is created and stops when it is destroyed. Closing it, by any way, takes the
// administrator password. Main thread only; connection threads reach it through posted
// messages.
class TMainForm {
 public:
  // The operations list's height below the log pane.
  static constexpr int kOperationsHeight = 150;
  // The log pane's 857 × 442 and the operations list below it.
  static constexpr SIZE kClientSize{857, 442 + kOperationsHeight};

  // context and kind must outlive the window. Creates it hidden, with the listener started; a
  // listener that cannot start is shown in an error box.
  TMainForm(const ServiceContext& context, Kind& kind);
  // Runs FormDestroy unless it already ran, and destroys the window.
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // The one main window while it exists, owner of the dialogs; nullptr otherwise.
  static TMainForm* MainWindow();

  HWND Handle() const { return handle_; }
  HWND InfoMemo() const { return infoMemo_; }
  HWND ToolBar() const { return toolBar_; }
  HWND StatusBar() const { return statusBar_; }
  // One line per PMS operation; a line's item data is 1 for a failure, shown in red.
  HWND OperationsList() const { return operationsList_; }
  const ServiceContext& Context() const { return context_; }
  const InterfaceServer& Server() const { return server_; }

  // A close was let through: the run ends.
  bool Closed() const { return closed_; }
  // Stops the listener; an error is shown. Runs once.
  void FormDestroy();
  // Connection threads did not end when the listener stopped.
  bool ThreadsLeftRunning() const { return threadsLeftRunning_; }

  // The close rule: CanClose only with the administrator password.
  void FormCloseQuery(bool& CanClose);

  void ExitActionExecute();
  void OptionActionExecute();
  void TestActionExecute();
  void ChangePasswordActionExecute();
  void AboutActionExecute();
  // The journal of issued cards and the day's log, read beside the running service.
  void JournalActionExecute();
  void LogActionExecute();

  // Shows the service status anew when it changed. A timer and the status's listener bring
  // it here, on the main thread.
  void RefreshStatus();
  // The status bar's parts: listener, encoder, requests, warning (code page 936).
  std::string StatusText(int part) const;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateChildren();
  void Layout();
  void Command(int id);
  void DrawStatusPart(const DRAWITEMSTRUCT& item);
  void DrawOperation(const DRAWITEMSTRUCT& item);
  // Appends the operations that are new since the last look.
  void RefreshOperations();
  // The width a status part needs to show the text whole.
  int TextWidth(const std::wstring& text) const;
  bool CheckAdminPassword();
  void FormCreate();

  const ServiceContext& context_;
  Kind& kind_;
  InterfaceServer server_;
  HWND handle_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND infoMemo_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND operationsList_ = nullptr;
  std::unique_ptr<TInfoMemo> pane_;
  UniqueFont font_;
  UniqueImageList images_;
  UniqueBrush encoderBrush_;
  UniqueBrush warningBrush_;
  std::array<std::wstring, 4> statusTexts_;
  std::wstring tipText_;  // the toolbar tip on show
  bool simulatedEncoder_ = false;
  bool listenerAlarm_ = false;
  uint64_t shownStatus_ = 0;     // the version of the status on show
  uint64_t seenOperations_ = 0;  // the operations the list holds, counted as OperationList does
  bool closed_ = false;
  bool destroyed_ = false;
  bool threadsLeftRunning_ = false;
};

}  // namespace keydesk
