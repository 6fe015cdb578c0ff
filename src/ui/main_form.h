#pragma once

#include <QMainWindow>
#include <map>

#include "app/desk.h"

class QAction;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QSessionManager;
class QToolBar;

namespace keydesk {

class ElidedLabel;

// The main window draws the desk: the log pane above the operations list, the commands in
// the menu and toolbar, and the state line. It starts the desk's listener when it is created
// and stops it when it is destroyed; closing it, by any way, takes the administrator
// password. Main thread only.
class TMainForm final : public QMainWindow, public DeskView {
  Q_OBJECT

 public:
  // desk must outlive the window.
  explicit TMainForm(Desk& desk, QWidget* parent = nullptr);
  // Runs FormDestroy unless it already ran.
  ~TMainForm() override;

  // Stops the listener; an error is shown. Runs once.
  void FormDestroy();
  // Connection threads did not end when the listener stopped: what they use must outlive
  // the process's orderly end.
  bool ThreadsLeftRunning() const { return threadsLeftRunning_; }
  // The operating system asks whether the session may end: the same rule as closing.
  bool QuerySessionEnd();

  // The menu's and toolbar's action of the command, named as DeskCommands names it.
  QAction* Action(DeskCommand command) const;
  // Shows what is new in the operations list and the state line. A timer calls it on the
  // main thread; tests call it directly.
  void RefreshStatus();

  // The log pane: the listener's start and stop lines.
  QPlainTextEdit* InfoMemo;
  // One line per PMS operation, failures in red, the newest kDeskOperationsKept.
  QListWidget* OperationsList;
  QToolBar* ToolBar;

  // DeskView
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

 signals:
  // The close was let through; the run ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateCommands();
  void CreateStatusBar();
  void CommitDataRequest(QSessionManager& manager);

  Desk& desk_;
  std::map<DeskCommand, QAction*> actions_;
  // DeskState's parts: the listener, the encoder and the requests in the status bar, the
  // warning above the panes.
  QLabel* listener_ = nullptr;
  ElidedLabel* encoder_ = nullptr;
  ElidedLabel* requests_ = nullptr;
  QLabel* warning_ = nullptr;
  QLabel* busy_ = nullptr;
  bool destroyed_ = false;
  bool threadsLeftRunning_ = false;
};

}  // namespace keydesk
