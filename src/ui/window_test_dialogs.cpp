#include "ui/window_test_dialogs.h"

#include <QCoreApplication>

#include "ui/ansi_text.h"
#include "ui/doorlock_test_form.h"
#include "ui/hand_test_form.h"
#include "ui/member_test_form.h"
#include "ui/message_box.h"

namespace keydesk {

void WindowTestDialogs::ShowDoorlockTest(DoorlockService& service) {
  TDoorlockTestForm form(service, parent_);
  form.exec();
}

void WindowTestDialogs::ShowHandTest(const HandTestActions& actions) {
  THandTestForm form(actions, parent_);
  form.exec();
}

void WindowTestDialogs::ShowMemberTest(const MemberTestActions& actions) {
  TMemberTestForm form(actions, parent_);
  form.exec();
}

void WindowTestDialogs::ShowText(const std::string& text) {
  MessageBox::Plain(parent_, QCoreApplication::applicationName(), FromAnsi(text));
}

}  // namespace keydesk
