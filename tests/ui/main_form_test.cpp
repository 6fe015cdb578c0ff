#include "ui/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <chrono>
#include <thread>

#include "core/service_status.h"
#include "core/sys_option.h"
#include "kinds/service_context.h"
#include "loopback_client.h"
#include "message_box_recorder.h"
#include "modal_script.h"
#include "platform/errors.h"
#include "platform/socket.h"
#include "test_application.h"
#include "ui/about_form.h"
#include "ui/change_password_form.h"
#include "ui/check_password_form.h"
#include "ui/doorlock_test_form.h"
#include "ui/gui_main.h"
#include "ui/info_memo.h"
#include "ui/option_form.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using test::ModalScript;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QString kTitle = QStringLiteral("MarveskOxbel门锁接口");
const QString kStartLine = QStringLiteral("门锁接口监听服务器已经启动...");
const QString kStopLine = QStringLiteral("接口监听服务器已经停止。");

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

class MainFormTest : public ::testing::Test {
 protected:
  uint16_t Port() const { return form_->Server().Port(); }
  QString Memo() const { return form_->InfoMemo->toPlainText(); }

  MessageBoxRecorder boxes_;
  test::TestApplication application_;
  std::unique_ptr<TMainForm> form_ =
      std::make_unique<TMainForm>(application_.Context(), application_.Kind());
};

TEST_F(MainFormTest, OpensWithTheKindsTitleTheStartLineAndTheListenerServing) {
  EXPECT_EQ(form_->windowTitle(), kTitle);
  EXPECT_EQ(QCoreApplication::applicationName(), kTitle);
  EXPECT_EQ(Memo(), kStartLine);
  ASSERT_TRUE(form_->Server().Listening());
  EXPECT_TRUE(Serves(Port()));
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
  EXPECT_EQ(TMainForm::MainWindow(), form_.get());
}

TEST_F(MainFormTest, TheStatusBarShowsTheListenerTheEncoderTheRequestsAndStoreWarnings) {
  EXPECT_EQ(form_->ListenerLbl->text(),
            QStringLiteral("正在监听端口 %1（本机所有地址）").arg(Port()));
  // The simulator is named as such.
  EXPECT_TRUE(form_->EncoderLbl->text().startsWith(QStringLiteral("模拟发卡器，不能制作真卡：")));
  EXPECT_EQ(form_->RequestsLbl->text(), QStringLiteral("已答复请求 0 次"));
  // Without AllowedHosts, the warning stands for as long as the window is open.
  const QString anyHost = QStringLiteral(
      "警告：没有设置允许连接的主机（Option.ini [Network] "
      "AllowedHosts），网络上的任何主机都能发卡、"
      "读卡和注销卡");
  EXPECT_TRUE(form_->WarningLbl->isVisibleTo(form_.get()));
  EXPECT_EQ(form_->WarningLbl->text(), anyHost);

  ServiceStatus& status = application_.Context().Status;
  // A request is counted once its thread has finished it, a moment after the client has its
  // answer.
  auto until = [&status](auto done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done(status.Get()) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
  };
  ASSERT_TRUE(Serves(Port()));
  until([](const ServiceStatus::Snapshot& now) { return now.Answered == 1; });
  test::LoopbackClient unreadable(Port());
  unreadable.SendFrame("<DoorRequest");
  EXPECT_FALSE(unreadable.ReadResponse().has_value());
  form_->RefreshStatus();
  EXPECT_THAT(
      form_->RequestsLbl->text().toStdString(),
      ::testing::MatchesRegex("已答复请求 1 次；最近一次 [-0-9]+ [:0-9]+ 无法读取的请求 没有答复"));
  // Each request is a line of the operations list; what got no answer stands out in red.
  ASSERT_EQ(form_->OperationsList->count(), 2);
  EXPECT_THAT(form_->OperationsList->item(0)->text().toStdString(),
              ::testing::HasSubstr("  127.0.0.1  "));
  const QListWidgetItem* unanswered = form_->OperationsList->item(1);
  EXPECT_THAT(unanswered->text().toStdString(),
              ::testing::EndsWith("  127.0.0.1  无法读取的请求  没有答复"));
  EXPECT_EQ(unanswered->foreground().color(), QColor(0xc0, 0, 0));

  status.WriteFailed(ServiceStatus::Store::Journal, "disk I/O error");
  form_->RefreshStatus();
  EXPECT_TRUE(form_->WarningLbl->isVisibleTo(form_.get()));
  EXPECT_EQ(form_->WarningLbl->text(),
            anyHost + QStringLiteral("；警告：发卡记录无法写入数据库：disk I/O error"));
  status.WriteSucceeded(ServiceStatus::Store::Journal);
  form_->RefreshStatus();
  EXPECT_EQ(form_->WarningLbl->text(), anyHost);
}

TEST(MainFormNetworkTest, WithTheAllowedHostsSetNoWarningStandsAndTheAddressIsShown) {
  test::TestApplication application(0, kDoorlockKind, true,
                                    "[Network]\r\nListenAddress=127.0.0.1\r\n"
                                    "AllowedHosts=127.0.0.1, 10.0.0.0/8\r\n");
  TMainForm form(application.Context(), application.Kind());
  EXPECT_EQ(form.ListenerLbl->text(),
            QStringLiteral("正在监听 127.0.0.1:%1").arg(form.Server().Port()));
  EXPECT_FALSE(form.WarningLbl->isVisibleTo(&form));
  EXPECT_TRUE(Serves(form.Server().Port()));
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
            (QStringList{QStringLiteral("选项(&O)..."), QStringLiteral("测试(&T)"),
                         QStringLiteral("发卡记录(&J)..."), QStringLiteral("打开日志(&L)..."),
                         QStringLiteral("-"), QStringLiteral("更改管理员密码(&C)")}));
  EXPECT_EQ(Captions(menus[2]->menu()->actions()), QStringList{QStringLiteral("关于(&A)...")});

  // The Test command has no button.
  EXPECT_EQ(form_->ToolBar->actions(),
            (QList<QAction*>{form_->OptionAction, form_->ChangePasswordAction,
                             form_->ToolBar->actions()[2], form_->AboutAction,
                             form_->ToolBar->actions()[4], form_->ExitAction}));
  EXPECT_TRUE(form_->ToolBar->actions()[2]->isSeparator());
  EXPECT_TRUE(form_->ToolBar->actions()[4]->isSeparator());
  EXPECT_EQ(form_->OptionButton->defaultAction(), form_->OptionAction);
  EXPECT_EQ(form_->ChangePasswordButton->defaultAction(), form_->ChangePasswordAction);
  EXPECT_EQ(form_->HelpButton->defaultAction(), form_->AboutAction);
  EXPECT_EQ(form_->ExitButton->defaultAction(), form_->ExitAction);
  EXPECT_EQ(form_->ToolBar->height(), 25);
  EXPECT_EQ(form_->statusBar()->height(), 21);
  // The log pane above the operations list.
  EXPECT_EQ(form_->InfoMemo->parentWidget(), form_->centralWidget());
  EXPECT_EQ(form_->OperationsList->parentWidget(), form_->centralWidget());
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
  EXPECT_TRUE(form_->Server().Listening());
  EXPECT_TRUE(Serves(Port()));
}

TEST_F(MainFormTest, ExitWithACancelledPromptKeepsServing) {
  form_->show();
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel);

  form_->ExitAction->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(Serves(Port()));
}

TEST_F(MainFormTest, ExitWithTheRightPasswordClosesAndStopsTheListener) {
  form_->show();
  int closed = 0;
  QObject::connect(form_.get(), &TMainForm::Closed, [&closed] { ++closed; });
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")));

  form_->ExitAction->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(form_->isVisible());
  const uint16_t port = Port();
  form_->FormDestroy();
  EXPECT_FALSE(form_->ThreadsLeftRunning());
  EXPECT_FALSE(form_->Server().Listening());
  EXPECT_EQ(Memo(), kStartLine + QStringLiteral("\n") + kStopLine);
  EXPECT_THROW(test::LoopbackClient client(port), SocketError);
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(MainFormTest, TheSessionEndsOnlyWithTheRightPassword) {
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel).Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")));

  EXPECT_FALSE(form_->QuerySessionEnd());
  EXPECT_TRUE(Serves(Port()));
  EXPECT_TRUE(form_->QuerySessionEnd());
  EXPECT_TRUE(script.Finished());
}

TEST_F(MainFormTest, OptionsAsksForThePasswordEveryTime) {
  int optionForms = 0;
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel)
      .Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")))
      .Then<TOptionForm>([&optionForms](TOptionForm& form) {
        ++optionForms;
        form.btnCancelBtn->click();
      })
      .Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")))
      .Then<TOptionForm>([&optionForms](TOptionForm& form) {
        ++optionForms;
        form.btnCancelBtn->click();
      });

  form_->OptionAction->trigger();
  EXPECT_EQ(optionForms, 0);
  form_->OptionAction->trigger();
  EXPECT_EQ(optionForms, 1);
  form_->OptionAction->trigger();

  EXPECT_EQ(optionForms, 2);
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
}

TEST_F(MainFormTest, OptionsWithAWrongPasswordOpensNothing) {
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(QStringLiteral("TIVREL"))).Then<TCheckPasswordForm>(Cancel);

  form_->OptionAction->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
}

TEST_F(MainFormTest, TestOpensTheTestDialogWithoutAPassword) {
  bool opened = false;
  ModalScript script;
  script.Then<TDoorlockTestForm>([&opened](TDoorlockTestForm& form) {
    opened = true;
    form.reject();
  });

  form_->TestAction->trigger();

  EXPECT_TRUE(opened);
  EXPECT_THAT(script.Unexpected(), IsEmpty());
}

TEST_F(MainFormTest, AboutOpensTheAboutBoxWithoutAPassword) {
  QString caption;
  ModalScript script;
  script.Then<TAboutForm>([&caption](TAboutForm& form) {
    caption = form.windowTitle();
    form.btnOK->click();
  });

  form_->AboutAction->trigger();

  EXPECT_EQ(caption, QStringLiteral("关于 ") + kTitle);
  EXPECT_THAT(script.Unexpected(), IsEmpty());
}

TEST_F(MainFormTest, ChangingThePasswordWritesOptionIniAndOnlyTheNewOneIsAcceptedAfter) {
  {
    ModalScript script;
    script.Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")))
        .Then<TChangePasswordForm>([](TChangePasswordForm& form) {
          form.edtPswd->setText(QStringLiteral(" Neu-42 "));
          form.edtConfirmPswd->setText(QStringLiteral("Neu-42"));
          form.btnOK->click();
        });
    form_->ChangePasswordAction->trigger();
    ASSERT_TRUE(script.Finished());
    EXPECT_THAT(script.Unexpected(), IsEmpty());
  }
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("管理员密码更改成功！"));

  TSysOption stored(application_.File("Option.ini"));
  stored.Load();
  EXPECT_EQ(stored.Password, "Neu-42");

  boxes_.Clear();
  ModalScript script;
  script.Then<TCheckPasswordForm>(Enter(QStringLiteral("tivrel")))
      .Then<TCheckPasswordForm>(Enter(QStringLiteral("Neu-42")))
      .Then<TOptionForm>([](TOptionForm& form) { form.btnCancelBtn->click(); });
  form_->OptionAction->trigger();
  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("密码错误 ！"));
}

TEST_F(MainFormTest, ChangePasswordWithACancelledPromptOpensNoChangeDialog) {
  ModalScript script;
  script.Then<TCheckPasswordForm>(Cancel);

  form_->ChangePasswordAction->trigger();

  EXPECT_TRUE(script.Finished());
  EXPECT_THAT(script.Unexpected(), IsEmpty());
  EXPECT_EQ(application_.Context().SysOption.Password, "tivrel");
}

TEST(MainFormPortInUseTest, ShowsTheBindErrorAndOpensWithoutAListener) {
  Socket taken = Socket::Listen(0, 1);
  MessageBoxRecorder boxes;
  test::TestApplication application(taken.LocalPort());

  TMainForm form(application.Context(), application.Kind());

  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].icon, MessageBox::Icon::Error);
  EXPECT_EQ(boxes.Shown()[0].caption, kTitle);
  // The system's text, and what it means for the clerk and what to do.
  const QString advice = QStringLiteral(
                             "端口 %1 已被另一个程序占用（也许是另一个 keydesk）：请关闭那个程序，"
                             "或在 Option.ini 的 [SysOption] DoorlockPortNo 中换一个端口，然后重新"
                             "启动 keydesk。")
                             .arg(taken.LocalPort());
  EXPECT_EQ(boxes.Shown()[0].text,
            QString::fromUtf8(kAddressInUse.data(), kAddressInUse.size()) + "\n" + advice);
  // The start line stays; the lines after it say that nothing listens, where and why.
  EXPECT_EQ(form.InfoMemo->toPlainText(),
            kStartLine +
                QStringLiteral("\n接口监听服务器没有运行（端口 %1）：").arg(taken.LocalPort()) +
                QString::fromUtf8(kAddressInUse.data(), kAddressInUse.size()) + "\n" + advice);
  EXPECT_FALSE(form.Server().Listening());
  EXPECT_EQ(form.ListenerLbl->text(),
            QStringLiteral("没有监听（端口 %1）：").arg(taken.LocalPort()) + advice);
  EXPECT_THAT(form.ListenerLbl->styleSheet().toStdString(), ::testing::HasSubstr("#c00000"));
  form.show();
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
}  // namespace keydesk
