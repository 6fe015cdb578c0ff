#include "ui/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSessionManager>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "kinds/doorlock/doorlock_options.h"
#include "ui/about_form.h"
#include "ui/ansi_text.h"
#include "ui/change_password_form.h"
#include "ui/check_password_form.h"
#include "ui/error_box.h"
#include "ui/journal_form.h"
#include "ui/log_view_form.h"
#include "ui/message_box.h"
#include "ui/option_form.h"
#include "ui/pictures.h"
#include "ui/settings_form.h"
#include "ui/test_panel_form.h"

namespace keydesk {
namespace {

constexpr int kClientWidth = 857;
constexpr int kOperationsHeight = 150;
constexpr int kClientHeight = 442 + kOperationsHeight;

// The commands with a toolbar button, in the toolbar's order, with the button's name and
// icon; NoIcon stands for the key picture.
struct ToolbarButton {
  DeskCommand Command;
  const char* Name;
  QStyle::StandardPixmap Icon;
  bool SeparatorBefore;
};
constexpr QStyle::StandardPixmap kKeyIcon = QStyle::SP_CustomBase;
constexpr ToolbarButton kToolbarButtons[] = {
    {DeskCommand::Options, "OptionButton", QStyle::SP_FileDialogDetailedView, false},
    {DeskCommand::ChangePassword, "ChangePasswordButton", kKeyIcon, false},
    {DeskCommand::About, "HelpButton", QStyle::SP_MessageBoxInformation, true},
    {DeskCommand::Exit, "ExitButton", QStyle::SP_DialogCloseButton, true},
};

QString ToneStyle(StateTone tone) {
  switch (tone) {
    case StateTone::Alarm:
      return QStringLiteral("QLabel { color: white; background: #c00000; }");
    case StateTone::Simulator:
      return QStringLiteral("QLabel { background: #ffd24d; }");
    case StateTone::Plain:
      break;
  }
  return {};
}

// A part of the state line that keeps its width: as wide as its text.
void ShowWholePart(QLabel& label, const StatePart& part) {
  label.setText(FromAnsi(part.Text));
  label.setMinimumWidth(label.sizeHint().width());
  label.setStyleSheet(ToneStyle(part.Tone));
}

}  // namespace

// A text that ends in "…" where the label is too narrow, whole in its tip.
class ElidedLabel final : public QLabel {
 public:
  using QLabel::QLabel;
  void SetWholeText(const QString& text) {
    whole_ = text;
    setToolTip(text);
    Elide();
  }
  // As wide as the whole text wants, so that the bar gives it that room when it has it.
  QSize sizeHint() const override {
    const QMargins margins = contentsMargins();
    return {
        fontMetrics().horizontalAdvance(whole_) + margins.left() + margins.right() + 2 * margin(),
        QLabel::sizeHint().height()};
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }

 private:
  void Elide() {
    // Before the bar has laid it out it has no width yet: whole until then.
    const int width = contentsRect().width();
    setText(width <= 1 ? whole_ : fontMetrics().elidedText(whole_, Qt::ElideRight, width));
  }
  QString whole_;
};

TMainForm::TMainForm(Desk& desk, QWidget* parent) : QMainWindow(parent), desk_(desk) {
  setObjectName(QStringLiteral("TMainForm"));
  setWindowIcon(QIcon(KeyPicture(32)));
  // The window's own font; where the workstation lacks it, the platform substitutes its
  // default family at the same size.
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  // The application name, not the display name: Qt would append a display name to every
  // dialog's caption.
  QCoreApplication::setApplicationName(QString::fromStdString(desk_.Title()));
  setWindowTitle(QCoreApplication::applicationName());

  // The log pane, and below it the list of operations that the clerk reads at a glance. The
  // pane only ever receives the listener's start and stop lines, so nothing trims it. A
  // warning stands above them, as wide as the window and wrapped, so that none is clipped.
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* panes = new QSplitter(Qt::Vertical, central);
  InfoMemo = new QPlainTextEdit(panes);
  InfoMemo->setObjectName(QStringLiteral("InfoMemo"));
  InfoMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  InfoMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  OperationsList = new QListWidget(panes);
  OperationsList->setObjectName(QStringLiteral("OperationsList"));
  OperationsList->setUniformItemSizes(true);
  panes->setSizes({kClientHeight - kOperationsHeight, kOperationsHeight});
  warning_ = new QLabel(central);
  warning_->setObjectName(QStringLiteral("WarningLbl"));
  warning_->setWordWrap(true);
  warning_->setContentsMargins(4, 2, 4, 2);
  warning_->hide();
  column->addWidget(warning_);
  // While a card is written or read, in large type, so that no one lifts it half written.
  busy_ = new QLabel(central);
  busy_->setObjectName(QStringLiteral("BusyLbl"));
  QFont large = busy_->font();
  large.setPointSize(16);
  large.setBold(true);
  busy_->setFont(large);
  busy_->setWordWrap(true);
  busy_->setContentsMargins(8, 6, 8, 6);
  busy_->setStyleSheet(QStringLiteral("background-color: #fff3c4; color: #000000;"));
  busy_->hide();
  column->addWidget(busy_);
  column->addWidget(panes, 1);
  setCentralWidget(central);
  CreateCommands();
  CreateStatusBar();

  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainForm::CommitDataRequest);
  RunGuarded(this, [this] { desk_.Start(*this); });
  RefreshStatus();
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::CreateCommands() {
  QMenuBar* mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("MainMenu"));
  QMenu* file = mainMenu->addMenu(QStringLiteral("文件(&F)"));
  QMenu* tools = mainMenu->addMenu(QStringLiteral("工具(&T)"));
  QMenu* help = mainMenu->addMenu(QStringLiteral("帮助(&H)"));
  for (const DeskCommandInfo& info : DeskCommands()) {
    auto* action = new QAction(QString::fromUtf8(info.Caption), this);
    action->setObjectName(QString::fromLatin1(info.Name));
    ConnectGuarded(this, action, &QAction::triggered,
                   [this, command = info.Command] { desk_.Run(command, *this); });
    actions_[info.Command] = action;
    if (info.Command == DeskCommand::ChangePassword) tools->addSeparator();
    QMenu* menu = tools;
    if (info.Command == DeskCommand::Exit) menu = file;
    if (info.Command == DeskCommand::About) menu = help;
    menu->addAction(action);
  }

  ToolBar = addToolBar(QStringLiteral("ToolBar"));
  ToolBar->setObjectName(QStringLiteral("ToolBar"));
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->setFixedHeight(25);
  ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
  for (const ToolbarButton& button : kToolbarButtons) {
    QAction* action = Action(button.Command);
    action->setIcon(button.Icon == kKeyIcon ? QIcon(KeyPicture(16))
                                            : style()->standardIcon(button.Icon));
    if (button.SeparatorBefore) ToolBar->addSeparator();
    ToolBar->addAction(action);
    ToolBar->widgetForAction(action)->setObjectName(QString::fromLatin1(button.Name));
  }
}

QAction* TMainForm::Action(DeskCommand command) const { return actions_.at(command); }

void TMainForm::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setFixedHeight(21);
  bar->setSizeGripEnabled(true);
  listener_ = new QLabel(this);
  listener_->setObjectName(QStringLiteral("ListenerLbl"));
  bar->addWidget(listener_);
  // The listener keeps its width: whether the PMS can reach keydesk is never cut. The encoder
  // and the requests share what is left, each elided where the window is narrow and whole in
  // its tip.
  encoder_ = new ElidedLabel(this);
  encoder_->setObjectName(QStringLiteral("EncoderLbl"));
  encoder_->setMinimumWidth(1);
  bar->addWidget(encoder_);
  requests_ = new ElidedLabel(this);
  // The requests take only what the encoder leaves.
  requests_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  requests_->setObjectName(QStringLiteral("RequestsLbl"));
  bar->addWidget(requests_, 1);
  requests_->setMinimumWidth(1);
  // Connection threads change the state; the window reads it here, on its own thread.
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &TMainForm::RefreshStatus);
  timer->start(250);
}

void TMainForm::RefreshStatus() {
  const std::vector<DeskOperation> operations = desk_.NewOperations();
  for (const DeskOperation& operation : operations) {
    auto* item = new QListWidgetItem(FromAnsi(operation.Line), OperationsList);
    if (operation.Failed) item->setForeground(QColor(0xc0, 0, 0));
  }
  while (OperationsList->count() > static_cast<int>(kDeskOperationsKept)) {
    delete OperationsList->takeItem(0);
  }
  if (!operations.empty()) OperationsList->scrollToBottom();
  const std::string busy = desk_.BusyText();
  busy_->setText(FromAnsi(busy));
  busy_->setVisible(!busy.empty());

  const std::optional<DeskState> state = desk_.NewState();
  if (!state) return;
  ShowWholePart(*listener_, state->Listener);
  encoder_->SetWholeText(FromAnsi(state->Encoder.Text));
  encoder_->setStyleSheet(ToneStyle(state->Encoder.Tone));
  encoder_->updateGeometry();
  requests_->SetWholeText(FromAnsi(state->Requests.Text));
  requests_->setStyleSheet(ToneStyle(state->Requests.Tone));
  listener_->setToolTip(FromAnsi(state->Listener.Text));
  warning_->setText(FromAnsi(state->Warning.Text));
  warning_->setStyleSheet(ToneStyle(state->Warning.Tone));
  // Shown only while there is one.
  warning_->setVisible(!state->Warning.Text.empty());
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  // The only error of stopping is connection threads outlasting the stop wait.
  threadsLeftRunning_ = !RunGuarded(this, [this] { desk_.Stop(*this); });
}

bool TMainForm::QuerySessionEnd() {
  bool mayClose = false;
  RunGuarded(this, [this, &mayClose] { mayClose = desk_.MayClose(*this); });
  return mayClose;
}

void TMainForm::CommitDataRequest(QSessionManager& manager) {
  // Without leave to ask there is no way to take the password, so the session end is refused.
  if (manager.allowsInteraction() && QuerySessionEnd()) {
    manager.release();
  } else {
    manager.cancel();
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!QuerySessionEnd()) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closed();
}

void TMainForm::AddLine(const std::string& line) { InfoMemo->appendPlainText(FromAnsi(line)); }

bool TMainForm::AskAdminPassword() {
  TCheckPasswordForm form(desk_, this);
  return form.exec() == QDialog::Accepted;
}

void TMainForm::ShowChangePassword() {
  TChangePasswordForm form(desk_, this);
  form.exec();
}

void TMainForm::ShowOptions(DeviceOptions& options) {
  // Each kind's options have a form of their own.
  if (auto* doorlock = dynamic_cast<DoorlockOptions*>(&options)) {
    TOptionForm form(doorlock->Option(), this);
    form.exec();
  }
}

void TMainForm::ShowSystemSettings(SystemSettings& settings) {
  TSettingsForm form(settings, this);
  form.exec();
}

void TMainForm::ShowTestPanel(const TestPanel& panel) {
  TTestPanelForm form(panel, this);
  form.exec();
}

void TMainForm::ShowJournal(JournalBrowser& journal) {
  TJournalForm form(journal, this);
  form.exec();
}

void TMainForm::ShowLog(const std::string& fileName, const std::string& notice) {
  TLogViewForm form(fileName, notice, this);
  form.exec();
}

void TMainForm::ShowAbout(const std::string& captionUtf8, const std::string& titleUtf8,
                          const std::string& memoUtf8) {
  // Without an owner, as the box always was.
  TAboutForm form(captionUtf8, titleUtf8, memoUtf8);
  form.exec();
}

void TMainForm::ShowMessage(const BoxMessage& message) { MessageBox::Show(this, message); }

void TMainForm::ShowText(const std::string& text) {
  MessageBox::Plain(this, QCoreApplication::applicationName(), FromAnsi(text));
}

bool TMainForm::Confirm(const std::string& question) {
  return MessageBox::Question(this, QCoreApplication::applicationName(), FromAnsi(question));
}

void TMainForm::CloseWindow() { close(); }

}  // namespace keydesk
