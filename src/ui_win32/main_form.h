#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "app/desk.h"
#include "ui_win32/window_handles.h"

namespace keydesk {

// The main window: menu, toolbar, the log pane, the operations list and the state line of its
// desk, whose listener it starts when it is created and stops when it is destroyed. Every
// command goes to the desk, which asks the window for what it shows. Main thread only;
// connection threads reach it through posted messages.
class TMainForm final : public DeskView {
 public:
  // The operations list's height below the log pane.
  static constexpr int kOperationsHeight = 150;
  // The log pane's 857 × 442 and the operations list below it.
  static constexpr SIZE kClientSize{857, 442 + kOperationsHeight};

  // desk must outlive the window. Creates it hidden, with the listener started; a listener
  // that cannot start is shown in an error box.
  explicit TMainForm(Desk& desk);
  // Runs FormDestroy unless it already ran, and destroys the window.
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  HWND Handle() const { return handle_; }
  HWND InfoMemo() const { return infoMemo_; }
  HWND ToolBar() const { return toolBar_; }
  // The state line: listener, encoder, requests; a part that is no plain text is drawn by
  // the window.
  HWND StatusBar() const { return statusBar_; }
  // The state's warning: red, as wide as the window and wrapped, above the panes; hidden
  // while there is none.
  HWND Warning() const { return warning_; }
  HWND Busy() const { return busy_; }
  const std::string& BusyText() const { return busyText_; }
  // One line per PMS operation; a line's item data is 1 for a failure, shown in red.
  HWND OperationsList() const { return operationsList_; }

  // A close was let through: the run ends.
  bool Closed() const { return closed_; }
  // Stops the listener; an error is shown. Runs once.
  void FormDestroy();
  // Connection threads did not end when the listener stopped.
  bool ThreadsLeftRunning() const { return threadsLeftRunning_; }

  // Shows the desk's new operations and state line. A timer and the desk's state changes
  // bring it here, on the main thread.
  void RefreshStatus();
  // The state line as the window shows it.
  const DeskState& ShownState() const { return state_; }

  void AddLine(const std::string& line) override;
  bool AskAdminPassword() override;
  void ShowChangePassword() override;
  void ShowOptions(DeviceOptions& options) override;
  void ShowSystemSettings(SystemSettings& settings) override;
  void ShowTestPanel(const TestPanel& panel) override;
  void ShowJournal(JournalBrowser& journal) override;
  void ShowLog(const std::string& fileName, const std::string& notice) override;
  void ShowAbout(const std::string& captionUtf8, const std::string& titleUtf8,
                 const std::string& memoUtf8) override;
  void ShowMessage(const BoxMessage& message) override;
  void ShowText(const std::string& text) override;
  bool Confirm(const std::string& question) override;
  void CloseWindow() override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateChildren();
  void Layout();
  void Command(int id);
  void DrawStatusPart(const DRAWITEMSTRUCT& item);
  void DrawWarning(const DRAWITEMSTRUCT& item);
  void DrawBusy(const DRAWITEMSTRUCT& item);
  // The warning's height at that width, wrapped; 0 while there is none.
  int WarningHeight(int width) const;
  void DrawOperation(const DRAWITEMSTRUCT& item);
  // The width a status part needs to show the text whole.
  int TextWidth(const std::wstring& text) const;

  Desk& desk_;
  HWND handle_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND infoMemo_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND warning_ = nullptr;  // the state's warning, above the panes
  HWND busy_ = nullptr;     // what the encoder is doing, below the warning
  std::string busyText_;
  std::array<std::wstring, 3> tips_;  // the status bar's parts, whole
  HWND operationsList_ = nullptr;
  UniqueFont font_;
  UniqueFont largeFont_;
  UniqueImageList images_;
  UniqueBrush simulatorBrush_;
  UniqueBrush alarmBrush_;
  DeskState state_;       // on show
  std::wstring tipText_;  // the toolbar tip on show
  bool closed_ = false;
  bool destroyed_ = false;
  bool threadsLeftRunning_ = false;
};

}  // namespace keydesk
