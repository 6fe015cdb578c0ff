#include "ui_win32/window_test_dialogs.h"

#include "ui_win32/doorlock_test_form.h"
#include "ui_win32/hand_test_form.h"
#include "ui_win32/member_test_form.h"
#include "ui_win32/message_box.h"

namespace keydesk {

void WindowTestDialogs::ShowDoorlockTest(DoorlockService& service) {
  TDoorlockTestForm form(service);
  form.ShowModal(owner_);
}

void WindowTestDialogs::ShowHandTest(const HandTestActions& actions) {
  THandTestForm form(actions);
  form.ShowModal(owner_);
}

void WindowTestDialogs::ShowMemberTest(const MemberTestActions& actions) {
  TMemberTestForm form(actions);
  form.ShowModal(owner_);
}

void WindowTestDialogs::ShowText(const std::string& text) { MessageBoxes::Plain(owner_, text); }

}  // namespace keydesk
