#include "ui/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <chrono>
#include <thread>

#include "core/service_status.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "kinds/service_context.h"
#include "loopback_client.h"
#include "message_box_recorder.h"
#include "modal_script.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/socket.h"
#include "temp_dir.h"
#include "test_application.h"
#include "ui/about_form.h"
#include "ui/ansi_text.h"
#include "ui/change_password_form.h"
#include "ui/check_password_form.h"
#include "ui/gui_main.h"
#include "ui/journal_form.h"
#include "ui/log_view_form.h"
#include "ui/option_form.h"
#include "ui/settings_form.h"
#include "ui/test_panel_form.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using test::ModalScript;
using ::testing::IsEmpty;

const QString kTitle = QStringLiteral("MarveskOxbel门锁接口");
const QString kStartLine = QStringLiteral("门锁接口监听服务器已经启动...");
const QString kStopLine = QStringLiteral("接口监听服务器已经停止。");
const std::string kAlarm = "#c00000";
const QString kPassword = QStringLiteral("tivrel");

// Types into the password prompt and presses "确定".
std::function<void(TCheckPasswordForm&)> Enter(const QString& password) {
  return [password](TCheckPasswordForm& form) {
    form.edtPswd->setText(password);
    form.btnOK->click();
  };
}

void Cancel(TCheckPasswordForm& form) { form.btnCancel->click(); }

QStringList Captions(const QList<QAction*>& actions) {
  QStringList captions;
  for (const QAction* action : actions) {
    captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  return captions;
}

// True when a PMS request on the port gets an answer.
bool Serves(uint16_t port) {
  test::LoopbackClient client(port);
  client.SendFrame("<DoorRequest type=\"ReadCard\"/>");
  return client.ReadResponse().has_value();
}

QLabel* Label(const QWidget& form, const char* name) {
  return form.findChild<QLabel*>(QString::fromLatin1(name));
}

class MainFormTest : public ::testing::Test {
 protected:
  uint16_t Port() const { return application_.Port(); }
  QString Memo() const { return form_->InfoMemo->toPlainText(); }
  QAction* Action(DeskCommand command) const { return form_->Action(command); }

  MessageBoxRecorder boxes_;
  test::TestApplication application_;
  // A minute passes at every look, so that a right password after a wrong one is checked.
  test::SteadyTime time_{std::chrono::minutes(1)};
  Desk desk_{application_.Context(), application_.Kind(), time_.Now()};
  std::unique_ptr<TMainForm> form_ = std::make_unique<TMainForm>(desk_);
};

TEST_F(MainFormTest, OpensWithTheKindsTitleTheStartLineAndTheListenerServing) {
  EXPECT_EQ(form_->windowTitle(), kTitle);
  EXPECT_EQ(QCoreApplication::applicationName(), kTitle);
  EXPECT_EQ(Memo(), kStartLine);
  ASSERT_TRUE(desk_.Listening());
  EXPECT_TRUE(Serves(Port()));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MainFormTest, WhileACardCallRunsItsTextStandsAboveThePanesInLargeType) {
  ServiceStatus& status = application_.Context().Status;
  const QLabel* busy = Label(*form_, "BusyLbl");
  ASSERT_NE(busy, nullptr);
  EXPECT_TRUE(busy->isHidden());
  status.EncoderBusy(AnsiFromUtf8("正在写卡：房间 010208 王先生，请勿移开卡片"));
  form_->RefreshStatus();
  EXPECT_FALSE(busy->isHidden());
  EXPECT_TRUE(
      busy->text().startsWith(QStringLiteral("正在写卡：房间 010208 王先生，请勿移开卡片（已 ")));
  EXPECT_GE(busy->font().pointSize(), 16);
  status.EncoderIdle();
  form_->RefreshStatus();
  EXPECT_TRUE(busy->isHidden());
}

TEST_F(MainFormTest, TheStateLineAndTheOperationsListShowWhatTheDeskGives) {
  // A request is counted once its thread has finished it, a moment after the client has its
  // answer.
  ServiceStatus& status = application_.Context().Status;
  ASSERT_TRUE(Serves(Port()));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (status.Get().Answered < 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  test::LoopbackClient unreadable(Port());
  unreadable.SendFrame("<DoorRequest");
  EXPECT_FALSE(unreadable.ReadResponse().has_value());
  status.WriteFailed(ServiceStatus::Store::Journal, "disk I/O error");
  form_->RefreshStatus();
  // Shown, the bar lays its parts out as the clerk sees them.
  form_->show();
  QCoreApplication::processEvents();

  // A second desk over the same service says what the window should show.
  Desk told(application_.Context(), application_.Kind());
  const DeskState state = told.NewState().value();
  const std::pair<const char*, const StatePart*> parts[] = {{"ListenerLbl", &state.Listener},
                                                            {"EncoderLbl", &state.Encoder},
                                                            {"RequestsLbl", &state.Requests},
                                                            {"WarningLbl", &state.Warning}};
  for (const auto& [name, part] : parts) {
    SCOPED_TRACE(name);
    const QLabel* label = Label(*form_, name);
    ASSERT_NE(label, nullptr);
    // The encoder's and the requests' parts may end in "…" where the window is narrow; their
    // tips have them whole.
    if (part == &state.Requests || part == &state.Encoder) {
      EXPECT_EQ(label->toolTip(), FromAnsi(part->Text));
      EXPECT_TRUE(label->text() == label->toolTip() || label->text().endsWith(QChar(0x2026)));
    } else {
      EXPECT_EQ(label->text(), FromAnsi(part->Text));
    }
    EXPECT_TRUE(label->isVisibleTo(form_.get()));
  }
  // Narrow, the listener's part stays whole; the encoder's gives way, whole in its tip.
  form_->resize(320, form_->height());
  QCoreApplication::processEvents();
  const QLabel* listener = Label(*form_, "ListenerLbl");
  EXPECT_GE(listener->width(), listener->fontMetrics().horizontalAdvance(listener->text()));
  EXPECT_TRUE(Label(*form_, "EncoderLbl")->text().endsWith(QChar(0x2026)) ||
              Label(*form_, "EncoderLbl")->text().isEmpty());
  EXPECT_EQ(Label(*form_, "EncoderLbl")->toolTip(), FromAnsi(state.Encoder.Text));
  // The warning is never clipped: it wraps, as wide as the window, above the panes.
  EXPECT_TRUE(Label(*form_, "WarningLbl")->wordWrap());
  EXPECT_EQ(Label(*form_, "WarningLbl")->parentWidget(), form_->centralWidget());
  // The simulator stands out in yellow, the warning in red.
  EXPECT_EQ(state.Encoder.Tone, StateTone::Simulator);
  EXPECT_THAT(Label(*form_, "EncoderLbl")->styleSheet().toStdString(),
              ::testing::HasSubstr("#ffd24d"));
  EXPECT_THAT(Label(*form_, "WarningLbl")->styleSheet().toStdString(),
              ::testing::HasSubstr(kAlarm));
  EXPECT_TRUE(Label(*form_, "ListenerLbl")->styleSheet().isEmpty());

  const std::vector<DeskOperation> operations = told.NewOperations();
  ASSERT_EQ(operations.size(), 2u);
  ASSERT_EQ(form_->OperationsList->count(), 2);
  for (int i = 0; i < 2; ++i) {
    const QListWidgetItem* item = form_->OperationsList->item(i);
    EXPECT_EQ(item->text(), FromAnsi(operations[static_cast<size_t>(i)].Line));
    // What got no answer stands out in red.
    EXPECT_EQ(item->foreground().color() == QColor(0xc0, 0, 0),
              operations[static_cast<size_t>(i)].Failed);
  }
  EXPECT_TRUE(operations[1].Failed);

  // Nothing new: the list stays as it is.
  form_->RefreshStatus();
  EXPECT_EQ(form_->OperationsList->count(), 2);
}

TEST(MainFormNetworkTest, WithTheAllowedHostsSetTheWarningsPartIsHidden) {
  test::TestApplication application(0, kDoorlockKind, true,
                                    "[Network]\r\nListenAddress=127.0.0.1\r\n"
                                    "AllowedHosts=127.0.0.1, 10.0.0.0/8\r\n");
  Desk desk(application.Context(), application.Kind());
  TMainForm form(desk);
  EXPECT_FALSE(Label(form, "WarningLbl")->isVisibleTo(&form));
  EXPECT_TRUE(Label(form, "ListenerLbl")->isVisibleTo(&form));
  EXPECT_TRUE(Serves(application.Port()));
}

TEST(StartupErrorTest, AStartThatFailsSaysWhyInAnErrorBoxTitledWithTheKind) {
  MessageBoxRecorder boxes;
  int argc = 1;
  char name[] = "keydesk";
  char* argv[] = {name, nullptr};
  ShowStartupError(argc, argv, 4, "Cannot load the card library /x/libdrevan.so: gone");
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("MarveskOxbel手牌接口"));
  EXPECT_EQ(boxes.Shown()[0].text,
            QStringLiteral("Cannot load the card library /x/libdrevan.so: gone"));
}

TEST(QtTextsTest, StandardButtonsReadInChineseLikeTheRestOfTheWindow) {
  QMessageBox box(QMessageBox::Information, kTitle, QStringLiteral("x"),
                  QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
}

TEST_F(MainFormTest, HasTheMenuToolbarAndLogPaneOfTheWindow) {
  const QList<QAction*> menus = form_->menuBar()->actions();
  ASSERT_EQ(menus.size(), 3);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("文件(&F)"));
  EXPECT_EQ(menus[1]->text(), QStringLiteral("工具(&T)"));
  EXPECT_EQ(menus[2]->text(), QStringLiteral("帮助(&H)"));
  EXPECT_EQ(Captions(menus[0]->menu()->actions()), QStringList{QStringLiteral("退出(&X)")});
  EXPECT_EQ(Captions(menus[1]->menu()->actions()),
            (QStringList{QStringLiteral("选项(&O)..."), QStringLiteral("系统设置(&S)..."),
                         QStringLiteral("测试(&T)"), QStringLiteral("发卡记录(&J)..."),
                         QStringLiteral("打开日志(&L)..."), QStringLiteral("-"),
                         QStringLiteral("更改管理员密码(&C)")}));
  EXPECT_EQ(Captions(menus[2]->menu()->actions()), QStringList{QStringLiteral("关于(&A)...")});
  // The actions keep their names.
  for (const DeskCommandInfo& info : DeskCommands()) {
    EXPECT_EQ(form_->findChild<QAction*>(QString::fromLatin1(info.Name)), Action(info.Command))
        << info.Name;
  }
  EXPECT_EQ(menus[1]->menu()->actions()[1]->objectName(), QStringLiteral("SettingsAction"));

  // The Test command has no button.
  const QList<QAction*> tools = form_->ToolBar->actions();
  ASSERT_EQ(tools.size(), 6);
  EXPECT_EQ(tools, (QList<QAction*>{
                       Action(DeskCommand::Options), Action(DeskCommand::ChangePassword), tools[2],
                       Action(DeskCommand::About), tools[4], Action(DeskCommand::Exit)}));
  EXPECT_TRUE(tools[2]->isSeparator());
  EXPECT_TRUE(tools[4]->isSeparator());
  const std::pair<const char*, DeskCommand> buttons[] = {
      {"OptionButton", DeskCommand::Options},
      {"ChangePasswordButton", DeskCommand::ChangePassword},
      {"HelpButton", DeskCommand::About},
      {"ExitButton", DeskCommand::Exit}};
  for (const auto& [name, command] : buttons) {
    const auto* button = form_->findChild<QToolButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->defaultAction(), Action(command)) << name;
  }
  EXPECT_EQ(form_->ToolBar->height(), 25);
  EXPECT_EQ(form_->statusBar()->height(), 21);
  // The log pane above the operations list, in one splitter.
  EXPECT_NE(qobject_cast<QSplitter*>(form_->InfoMemo->parentWidget()), nullptr);
  EXPECT_EQ(form_->OperationsList->parentWidget(), form_->InfoMemo->parentWidget());
  EXPECT_FALSE(form_->InfoMemo->isReadOnly());
  EXPECT_EQ(form_->InfoMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(MainFormTest, ClosingWithAWrongPasswordThenCancelKeepsTheWindowAndTheListener) {
  form_->show();
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(QStringLiteral("wrong")))
      .Then<TCheckPasswordForm>([](TCheckPasswordForm& form) {
        // The entry stays as typed after the refusal.
        EXPECT_EQ(form.edtPswd->text(), QStringLiteral("wrong"));
        Cancel(form);
      });

  EXPECT_FALSE(form_->close());

  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(desk_.Listening());
  EXPECT_TRUE(Serves(Port()));
}

TEST_F(MainFormTest, ExitWithACancelledPromptKeepsServing) {
  form_->show();
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel);

  Action(DeskCommand::Exit)->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(Serves(Port()));
}

TEST_F(MainFormTest, ExitWithTheRightPasswordClosesAndStopsTheListener) {
  form_->show();
  int closed = 0;
  QObject::connect(form_.get(), &TMainForm::Closed, [&closed] { ++closed; });
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(kPassword));

  Action(DeskCommand::Exit)->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(form_->isVisible());
  form_->FormDestroy();
  EXPECT_FALSE(form_->ThreadsLeftRunning());
  EXPECT_FALSE(desk_.Listening());
  EXPECT_EQ(Memo(), kStartLine + QStringLiteral("\n") + kStopLine);
  EXPECT_THROW(test::LoopbackClient client(Port()), SocketError);
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MainFormTest, TheSessionEndsOnlyWithTheRightPassword) {
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel).Then<TCheckPasswordForm>(Enter(kPassword));

  EXPECT_FALSE(form_->QuerySessionEnd());
  EXPECT_TRUE(Serves(Port()));
  EXPECT_TRUE(form_->QuerySessionEnd());
  EXPECT_TRUE(script.Finished());
}

TEST_F(MainFormTest, AGuardedCommandAsksForThePasswordEveryTime) {
  int optionForms = 0;
  auto closeOptions = [&optionForms](TOptionForm& form) {
    ++optionForms;
    form.btnCancelBtn->click();
  };
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel)
      .Then<TCheckPasswordForm>(Enter(QStringLiteral("TIVREL")))
      .Then<TCheckPasswordForm>(Enter(kPassword))
      .Then<TOptionForm>(closeOptions)
      .Then<TCheckPasswordForm>(Enter(kPassword))
      .Then<TOptionForm>(closeOptions);

  Action(DeskCommand::Options)->trigger();
  EXPECT_EQ(optionForms, 0);
  Action(DeskCommand::Options)->trigger();
  EXPECT_EQ(optionForms, 1);
  Action(DeskCommand::Options)->trigger();

  EXPECT_EQ(optionForms, 2);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
}

// The commands that open a dialog without the password, with the dialog each opens.
TEST_F(MainFormTest, TheUnguardedCommandsOpenTheirDialogsWithoutAPassword) {
  const std::pair<DeskCommand, const char*> commands[] = {{DeskCommand::Test, "TDoorlockTestForm"},
                                                          {DeskCommand::Journal, "TJournalForm"},
                                                          {DeskCommand::Log, "TLogViewForm"},
                                                          {DeskCommand::About, "TAboutForm"}};
  for (const auto& [command, dialog] : commands) {
    QString opened;
    QString caption;
    ModalScript script;
    script.Then<QDialog>([&](QDialog& form) {
      opened = form.objectName();
      caption = form.windowTitle();
      form.reject();
    });
    Action(command)->trigger();
    EXPECT_EQ(opened, QString::fromLatin1(dialog));
    EXPECT_THAT(script.Unexpected(), IsEmpty());
    if (command == DeskCommand::About) {
      EXPECT_EQ(caption, QStringLiteral("关于 ") + kTitle);
    }
  }
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MainFormTest, ChangingThePasswordWritesOptionIniAndOnlyTheNewOneIsAcceptedAfter) {
  {
    ModalScript script;
    script.Then<TCheckPasswordForm>(Enter(kPassword))
        .Then<TChangePasswordForm>([](TChangePasswordForm& form) {
          form.edtPswd->setText(QStringLiteral("Neu-42"));
          form.edtConfirmPswd->setText(QStringLiteral("Neu-42"));
          form.btnOK->click();
        });
    Action(DeskCommand::ChangePassword)->trigger();
    ASSERT_TRUE(script.Finished());
    EXPECT_THAT(script.Unexpected(), IsEmpty());
  }
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("管理员密码更改成功！"));
  TSysOption stored(application_.File("Option.ini"));
  stored.Load();
  EXPECT_EQ(stored.Password, "Neu-42");

  boxes_.Clear();
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(kPassword))
      .Then<TCheckPasswordForm>(Enter(QStringLiteral("Neu-42")))
      .Then<TOptionForm>([](TOptionForm& form) { form.btnCancelBtn->click(); });
  Action(DeskCommand::Options)->trigger();
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
}

TEST_F(MainFormTest, ChangePasswordWithACancelledPromptOpensNoChangeDialog) {
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel);

  Action(DeskCommand::ChangePassword)->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  EXPECT_EQ(application_.Context().SysOption.Password, "tivrel");
}

TEST_F(MainFormTest, TheSettingsSaveAChangedPortAndRefuseABadOneAndTheListenerMovesOnYes) {
  const std::string optionFile = application_.File("Option.ini");
  const uint16_t oldPort = Port();
  const uint16_t newPort = Socket::Listen(0, 1).LocalPort();
  const std::string before = test::ReadFileBytes(optionFile);
  QString refusedEntry;
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(kPassword))
      .Then<TSettingsForm>([&](TSettingsForm& form) {
        auto* port = form.findChild<QLineEdit*>(QStringLiteral("DoorlockPortNo"));
        ASSERT_NE(port, nullptr);
        port->setText(QStringLiteral("70000"));
        form.btnOK->click();
        // Refused: the dialog stays as typed.
        EXPECT_TRUE(form.isVisible());
        refusedEntry = port->text();
        form.btnCancel->click();
      })
      .Then<TCheckPasswordForm>(Enter(kPassword))
      .Then<TSettingsForm>([&](TSettingsForm& form) {
        form.findChild<QLineEdit*>(QStringLiteral("DoorlockPortNo"))
            ->setText(QString::number(newPort));
        form.btnOK->click();
      });

  Action(DeskCommand::Settings)->trigger();
  EXPECT_EQ(refusedEntry, QStringLiteral("70000"));
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes_.Shown()[0].caption, kTitle);
  EXPECT_TRUE(boxes_.Shown()[0].text.contains(QStringLiteral("门锁接口端口")));
  EXPECT_EQ(test::ReadFileBytes(optionFile), before);

  boxes_.Clear();
  Action(DeskCommand::Settings)->trigger();
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  ASSERT_EQ(boxes_.Shown().size(), 2u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_TRUE(boxes_.Shown()[0].text.contains(QStringLiteral("门锁接口端口")));
  TSysOption stored(optionFile);
  stored.Load();
  EXPECT_EQ(stored.DoorlockPortNo, newPort);
  // Asked whether to listen again now, and told yes: the listener has moved.
  EXPECT_EQ(boxes_.Shown()[1].icon, MessageBox::Icon::Question);
  EXPECT_TRUE(boxes_.Shown()[1].text.startsWith(QStringLiteral("监听的设置已保存。")));
  EXPECT_EQ(Port(), newPort);
  EXPECT_TRUE(Serves(newPort));
  EXPECT_THROW(Socket::ConnectLoopback(oldPort), std::exception);
}

TEST(MainFormPortInUseTest, ShowsTheBindErrorAndOpensWithoutAListener) {
  Socket taken = Socket::Listen(0, 1);
  MessageBoxRecorder boxes;
  test::TestApplication application(taken.LocalPort());
  Desk desk(application.Context(), application.Kind());

  TMainForm form(desk);

  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes.Shown()[0].caption, kTitle);
  const QString system = QString::fromUtf8(kAddressInUse.data(), kAddressInUse.size());
  EXPECT_TRUE(boxes.Shown()[0].text.startsWith(system + "\n"));
  // The start line stays; the lines after it say that nothing listens, and why.
  EXPECT_TRUE(form.InfoMemo->toPlainText().startsWith(kStartLine + "\n"));
  EXPECT_TRUE(form.InfoMemo->toPlainText().contains(system));
  EXPECT_FALSE(desk.Listening());
  EXPECT_THAT(Label(form, "ListenerLbl")->styleSheet().toStdString(), ::testing::HasSubstr(kAlarm));
  form.show();
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
}  // namespace keydesk
