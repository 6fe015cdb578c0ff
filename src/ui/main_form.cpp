#include "ui/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QSessionManager>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/record_views.h"
#include "core/interface_kind.h"
#include "core/log_file.h"
#include "core/operation_list.h"
#include "core/service_status.h"
#include "core/status_text.h"
#include "kinds/kind.h"
#include "kinds/service_context.h"
#include "store/doorlock_record_manager.h"
#include "ui/about_form.h"
#include "ui/ansi_text.h"
#include "ui/change_password_form.h"
#include "ui/check_password_form.h"
#include "ui/error_box.h"
#include "ui/info_memo.h"
#include "ui/journal_form.h"
#include "ui/log_view_form.h"
#include "ui/message_box.h"
#include "ui/pictures.h"
#include "ui/window_test_dialogs.h"

namespace keydesk {
namespace {

TMainForm* theMainWindow = nullptr;

constexpr int kClientWidth = 857;
constexpr int kOperationsHeight = 150;
constexpr int kClientHeight = 442 + kOperationsHeight;

}  // namespace

TMainForm::TMainForm(const ServiceContext& context, Kind& kind, QWidget* parent)
    : QMainWindow(parent), context_(context), kind_(kind), server_(kind, context) {
  setObjectName(QStringLiteral("TMainForm"));
  setWindowIcon(QIcon(KeyPicture(32)));
  // The window's own font; where the workstation lacks it, the platform substitutes its
  // default family at the same size.
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  theMainWindow = this;

  // The log pane, and below it the list of operations that the clerk reads at a glance.
  auto* panes = new QSplitter(Qt::Vertical, this);
  InfoMemo = new TInfoMemo(panes);
  OperationsList = new QListWidget(panes);
  OperationsList->setObjectName(QStringLiteral("OperationsList"));
  OperationsList->setUniformItemSizes(true);
  panes->addWidget(InfoMemo);
  panes->addWidget(OperationsList);
  panes->setSizes({kClientHeight - kOperationsHeight, kOperationsHeight});
  setCentralWidget(panes);
  CreateActions();
  CreateMenu();
  CreateToolBar();
  CreateStatusBar();

  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainForm::CommitDataRequest);
  RunGuarded(this, [this] { FormCreate(); });
  RefreshStatus();
}

TMainForm::~TMainForm() {
  FormDestroy();
  if (theMainWindow == this) theMainWindow = nullptr;
}

TMainForm* TMainForm::MainWindow() { return theMainWindow; }

void TMainForm::CreateActions() {
  auto action = [this](const char* name, const char* caption, const QIcon& icon) {
    auto* created = new QAction(icon, QString::fromUtf8(caption), this);
    created->setObjectName(QString::fromLatin1(name));
    return created;
  };
  // The image list: 0 options, 1 password, 2 about, 3 exit.
  QStyle* look = style();
  ExitAction = action("ExitAction", "退出(&X)", look->standardIcon(QStyle::SP_DialogCloseButton));
  OptionAction =
      action("OptionAction", "选项(&O)...", look->standardIcon(QStyle::SP_FileDialogDetailedView));
  ChangePasswordAction =
      action("ChangePasswordAction", "更改管理员密码(&C)", QIcon(KeyPicture(16)));
  AboutAction =
      action("AboutAction", "关于(&A)...", look->standardIcon(QStyle::SP_MessageBoxInformation));
  TestAction = action("TestAction", "测试(&T)", QIcon());
  JournalAction = action("JournalAction", "发卡记录(&J)...", QIcon());
  LogAction = action("LogAction", "打开日志(&L)...", QIcon());

  connect(ExitAction, &QAction::triggered, this, [this] { ExitActionExecute(); });
  ConnectGuarded(this, OptionAction, &QAction::triggered, [this] { OptionActionExecute(); });
  ConnectGuarded(this, TestAction, &QAction::triggered, [this] { TestActionExecute(); });
  ConnectGuarded(this, ChangePasswordAction, &QAction::triggered,
                 [this] { ChangePasswordActionExecute(); });
  ConnectGuarded(this, AboutAction, &QAction::triggered, [this] { AboutActionExecute(); });
  ConnectGuarded(this, JournalAction, &QAction::triggered, [this] { JournalActionExecute(); });
  ConnectGuarded(this, LogAction, &QAction::triggered, [this] { LogActionExecute(); });
}

void TMainForm::CreateMenu() {
  QMenuBar* mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("MainMenu"));
  mainMenu->addMenu(QStringLiteral("文件(&F)"))->addAction(ExitAction);
  QMenu* tools = mainMenu->addMenu(QStringLiteral("工具(&T)"));
  tools->addAction(OptionAction);
  tools->addAction(TestAction);
  tools->addAction(JournalAction);
  tools->addAction(LogAction);
  tools->addSeparator();
  tools->addAction(ChangePasswordAction);
  mainMenu->addMenu(QStringLiteral("帮助(&H)"))->addAction(AboutAction);
}

void TMainForm::CreateToolBar() {
  ToolBar = addToolBar(QStringLiteral("ToolBar"));
  ToolBar->setObjectName(QStringLiteral("ToolBar"));
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->setFixedHeight(25);
  ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
  auto button = [this](QAction* action, const char* name) {
    ToolBar->addAction(action);
    auto* created = qobject_cast<QToolButton*>(ToolBar->widgetForAction(action));
    created->setObjectName(QString::fromLatin1(name));
    return created;
  };
  OptionButton = button(OptionAction, "OptionButton");
  ChangePasswordButton = button(ChangePasswordAction, "ChangePasswordButton");
  ToolBar->addSeparator();
  HelpButton = button(AboutAction, "HelpButton");
  ToolBar->addSeparator();
  ExitButton = button(ExitAction, "ExitButton");
}

namespace {
// What no clerk may overlook: nothing listens, or something cannot be written.
constexpr const char* kAlarmStyle = "QLabel { color: white; background: #c00000; }";
}  // namespace

void TMainForm::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setFixedHeight(21);
  bar->setSizeGripEnabled(true);
  auto label = [this, bar](const char* name, int stretch) {
    auto* created = new QLabel(this);
    created->setObjectName(QString::fromLatin1(name));
    bar->addWidget(created, stretch);
    return created;
  };
  ListenerLbl = label("ListenerLbl", 0);
  EncoderLbl = label("EncoderLbl", 0);
  RequestsLbl = label("RequestsLbl", 1);
  WarningLbl = label("WarningLbl", 0);
  WarningLbl->setStyleSheet(QString::fromLatin1(kAlarmStyle));
  WarningLbl->hide();
  // Connection threads change the status; the window reads it here, on its own thread.
  statusTimer_ = new QTimer(this);
  connect(statusTimer_, &QTimer::timeout, this, [this] { RefreshStatus(); });
  statusTimer_->start(250);
}

void TMainForm::RefreshStatus() {
  // The list first: an operation is added after the request that it records has changed the
  // status, so the status's version does not tell of it.
  RefreshOperations();
  const ServiceStatus::Snapshot status = context_.Status.Get();
  if (status.Version == shownStatus_ && shownStatus_ != 0) return;
  shownStatus_ = status.Version;
  ListenerLbl->setText(FromAnsi(ListenerStatusText(status)));
  ListenerLbl->setStyleSheet(ListenerAlarm(status) ? QString::fromLatin1(kAlarmStyle) : QString());
  EncoderLbl->setText(FromAnsi(EncoderStatusText(status)));
  // The simulator must stand out: no card it writes opens a door.
  EncoderLbl->setStyleSheet(
      status.SimulatedEncoder ? QStringLiteral("QLabel { background: #ffd24d; }") : QString());
  RequestsLbl->setText(FromAnsi(RequestStatusText(status)));
  const std::string warning = WarningText(status);
  WarningLbl->setText(FromAnsi(warning));
  WarningLbl->setVisible(!warning.empty());
}

void TMainForm::RefreshOperations() {
  const OperationList::Batch batch = context_.Status.Operations().Since(seenOperations_);
  if (batch.Total == seenOperations_) return;
  seenOperations_ = batch.Total;
  for (const OperationEntry& entry : batch.Entries) {
    auto* item = new QListWidgetItem(FromAnsi(OperationLine(entry)), OperationsList);
    if (OperationFailed(entry)) item->setForeground(QColor(0xc0, 0, 0));
  }
  while (OperationsList->count() > static_cast<int>(OperationList::kKept)) {
    delete OperationsList->takeItem(0);
  }
  OperationsList->scrollToBottom();
}

void TMainForm::FormCreate() {
  // The date and time formats are fixed in the core's conversions; nothing to set here.
  const QString title = QString::fromUtf8(kind_.Info().Title);
  // The application name, not the display name: Qt would append a display name to every
  // dialog's caption.
  QCoreApplication::setApplicationName(title);
  setWindowTitle(title);
  StartServer();
}

void TMainForm::StartServer() { server_.StartServer(*InfoMemo); }

void TMainForm::StopServer() { server_.StopServer(*InfoMemo); }

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  // The only error of stopping is connection threads outlasting the stop wait.
  threadsLeftRunning_ = !RunGuarded(this, [this] { StopServer(); });
}

bool TMainForm::CheckAdminPassword() {
  return keydesk::CheckAdminPassword(context_.SysOption, this);
}

void TMainForm::FormCloseQuery(bool& CanClose) { CanClose = CheckAdminPassword(); }

bool TMainForm::QuerySessionEnd() {
  bool canClose = false;
  RunGuarded(this, [&] { FormCloseQuery(canClose); });
  return canClose;
}

void TMainForm::CommitDataRequest(QSessionManager& manager) {
  // Without leave to ask there is no way to take the password, so the session end is refused.
  if (!manager.allowsInteraction()) {
    manager.cancel();
    return;
  }
  if (QuerySessionEnd()) {
    manager.release();
  } else {
    manager.cancel();
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  bool canClose = false;
  RunGuarded(this, [&] { FormCloseQuery(canClose); });
  if (!canClose) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closed();
}

void TMainForm::ExitActionExecute() { close(); }

void TMainForm::OptionActionExecute() {
  if (CheckAdminPassword()) kind_.ShowOptions();
}

void TMainForm::TestActionExecute() {
  WindowTestDialogs dialogs(this);
  kind_.ShowTest(dialogs);
}

void TMainForm::ChangePasswordActionExecute() {
  if (CheckAdminPassword()) ChangeAdminPassword(context_.SysOption, this);
}

void TMainForm::AboutActionExecute() { ShowAbout(kind_.Info().Number); }

void TMainForm::JournalActionExecute() {
  TJournalForm form(context_.RecordStore, this);
  form.exec();
}

void TMainForm::LogActionExecute() {
  TLogViewForm form(context_.Log.FileName(), LogViewNotice(context_.SysOption), this);
  form.exec();
}

}  // namespace keydesk
