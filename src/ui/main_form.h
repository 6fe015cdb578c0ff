#pragma once

#include <QMainWindow>

#include "app/interface_server.h"

class QAction;
class QLabel;
class QListWidget;
class QSessionManager;
class QTimer;
class QToolBar;
class QToolButton;

namespace keydesk {

class Kind;
struct ServiceContext;
class TInfoMemo;

// The main window: the log pane, the menu and toolbar commands, and the listener, which it
// starts when it is created and stops when it is destroyed. Closing it, by any way, takes the
// administrator password. Main thread only.
class TMainForm final : public QMainWindow {
  Q_OBJECT

 public:
  // context and kind must outlive the window.
  TMainForm(const ServiceContext& context, Kind& kind, QWidget* parent = nullptr);
  // Runs FormDestroy unless it already ran.
  ~TMainForm() override;

  // The one main window while it exists, owner of the password dialogs; nullptr otherwise.
  static TMainForm* MainWindow();

  const ServiceContext& Context() const { return context_; }
  const InterfaceServer& Server() const { return server_; }

  // Stops the listener; an error is shown. Runs once.
  void FormDestroy();
  // Connection threads did not end when the listener stopped: what they use must outlive
  // the process's orderly end.
  bool ThreadsLeftRunning() const { return threadsLeftRunning_; }

  // The close rule: CanClose only with the administrator password.
  void FormCloseQuery(bool& CanClose);
  // The operating system asks whether the session may end: the same close rule.
  bool QuerySessionEnd();

  void ExitActionExecute();
  void OptionActionExecute();
  void TestActionExecute();
  void ChangePasswordActionExecute();
  void AboutActionExecute();
  void JournalActionExecute();
  void LogActionExecute();

  TInfoMemo* InfoMemo;
  // One line per PMS operation, failures in red, the newest OperationList::kKept.
  QListWidget* OperationsList;
  QToolBar* ToolBar;
  QAction* ExitAction;
  QAction* OptionAction;
  QAction* ChangePasswordAction;
  QAction* AboutAction;
  QAction* TestAction;
  QAction* JournalAction;
  QAction* LogAction;
  QToolButton* OptionButton;
  QToolButton* ChangePasswordButton;
  QToolButton* HelpButton;
  QToolButton* ExitButton;
  // The status bar: the listener, the encoder, the requests, and a warning while the log or
  // the journal cannot be written.
  QLabel* ListenerLbl;
  QLabel* EncoderLbl;
  QLabel* RequestsLbl;
  QLabel* WarningLbl;

  // Shows the service status anew when it changed. A timer calls it on the main thread;
  // tests call it directly.
  void RefreshStatus();
  // Appends the operations that are new since the last look.
  void RefreshOperations();

 signals:
  // The close was let through; the run ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenu();
  void CreateToolBar();
  void CreateStatusBar();
  void FormCreate();
  void StartServer();
  void StopServer();
  void CommitDataRequest(QSessionManager& manager);
  bool CheckAdminPassword();

  const ServiceContext& context_;
  Kind& kind_;
  InterfaceServer server_;
  QTimer* statusTimer_;
  uint64_t shownStatus_ = 0;     // the version of the status on show
  uint64_t seenOperations_ = 0;  // the operations the list holds, counted as OperationList does
  bool destroyed_ = false;
  bool threadsLeftRunning_ = false;
};

}  // namespace keydesk
