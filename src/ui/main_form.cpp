#include "ui/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QMenuBar>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "kinds/service_context.h"
#include "core/interface_kind.h"
#include "doorlock/base_doorlock.h"
#include "devices/base_hand.h"
#include "devices/base_member.h"
#include "devices/base_police.h"
#include "kinds/police/police_message_handler.h"
#include "ui/about_form.h"
#include "ui/ansi_text.h"
#include "ui/change_password_form.h"
#include "ui/check_password_form.h"
#include "ui/doorlock_test_form.h"
#include "ui/error_box.h"
#include "ui/hand_test_form.h"
#include "ui/info_memo.h"
#include "ui/member_test_form.h"
#include "ui/message_box.h"
#include "ui/pictures.h"

namespace keydesk {
namespace {

TMainForm* theMainWindow = nullptr;

constexpr int kClientWidth = 857;
constexpr int kClientHeight = 442;

}  // namespace

TMainForm::TMainForm(AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), server_(context) {
  setObjectName(QStringLiteral("TMainForm"));
  setWindowIcon(QIcon(KeyPicture(32)));
  // The window's own font; where the workstation lacks it, the platform substitutes its
  // default family at the same size.
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  theMainWindow = this;

  InfoMemo = new TInfoMemo(this);
  setCentralWidget(InfoMemo);
  CreateActions();
  CreateMenu();
  CreateToolBar();
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->setFixedHeight(21);
  statusBar()->setSizeGripEnabled(true);

  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainForm::CommitDataRequest);
  RunGuarded(this, [this] { FormCreate(); });
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

  connect(ExitAction, &QAction::triggered, this, [this] { ExitActionExecute(); });
  ConnectGuarded(this, OptionAction, &QAction::triggered, [this] { OptionActionExecute(); });
  ConnectGuarded(this, TestAction, &QAction::triggered, [this] { TestActionExecute(); });
  ConnectGuarded(this, ChangePasswordAction, &QAction::triggered,
                 [this] { ChangePasswordActionExecute(); });
  ConnectGuarded(this, AboutAction, &QAction::triggered, [this] { AboutActionExecute(); });
}

void TMainForm::CreateMenu() {
  QMenuBar* mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("MainMenu"));
  mainMenu->addMenu(QStringLiteral("文件(&F)"))->addAction(ExitAction);
  QMenu* tools = mainMenu->addMenu(QStringLiteral("工具(&T)"));
  tools->addAction(OptionAction);
  tools->addAction(TestAction);
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

void TMainForm::FormCreate() {
  // The date and time formats are fixed in the core's conversions; nothing to set here.
  if (const InterfaceKindInfo* kind = FindInterfaceKind(context_.InterfaceKind)) {
    const QString title = QString::fromUtf8(kind->Title);
    // The application name, not the display name: Qt would append a display name to every
    // dialog's caption.
    QCoreApplication::setApplicationName(title);
    setWindowTitle(title);
  }
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
  if (!CheckAdminPassword()) return;
  switch (context_.InterfaceKind) {
    case kDoorlockKind:
      if (TBaseDoorlock* doorlock = context_.Doorlock.load()) doorlock->ShowOptions();
      break;
    case kPoliceKind:
      if (TBasePolice* police = context_.Police.load()) police->ShowOptions();
      break;
    case kMemberKind:
      if (TBaseMember* member = context_.Member.load()) member->ShowOptions();
      break;
    case kHandKind:
      if (TBaseHand* hand = context_.Hand.load()) hand->ShowOptions();
      break;
  }
}

void TMainForm::TestActionExecute() {
  switch (context_.InterfaceKind) {
    case kDoorlockKind:
      if (context_.Doorlock.load() != nullptr) {
        TDoorlockTestForm form(context_, this);
        form.exec();
      }
      break;
    case kPoliceKind:
      if (TBasePolice* police = context_.Police.load()) {
        // The fragment can only be built from a guest; without one, say so rather than
        // show nothing at all.
        const TGuest* guest = police->GetGuest();
        MessageBox::Plain(
            this, QCoreApplication::applicationName(),
            guest != nullptr ? FromAnsi(GuestToXml(*guest)) : QString::fromUtf8(kNoGuestText));
      }
      break;
    case kMemberKind:
      if (context_.Member.load() != nullptr) {
        TMemberTestForm form(context_, this);
        form.exec();
      }
      break;
    case kHandKind:
      if (context_.Hand.load() != nullptr) {
        THandTestForm form(context_, this);
        form.exec();
      }
      break;
  }
}

void TMainForm::ChangePasswordActionExecute() {
  if (CheckAdminPassword()) ChangeAdminPassword(context_.SysOption, this);
}

void TMainForm::AboutActionExecute() { ShowAbout(context_.InterfaceKind); }

}  // namespace keydesk
