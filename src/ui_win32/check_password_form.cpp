#include "ui_win32/check_password_form.h"

#include "app/admin_password.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TCheckPasswordForm::TCheckPasswordForm(const TSysOption& sysOption)
    : Dialog(IDD_CHECK_PASSWORD, kClientSize, Placement::CentredOnOwner), sysOption_(sysOption) {}

void TCheckPasswordForm::OnInit() {
  SetWindowUtf8(Handle(), kCheckPasswordCaption);
  // Visual styles would mask with a bullet.
  SendDlgItemMessageW(Handle(), IDC_EDTPSWD, EM_SETPASSWORDCHAR, L'*', 0);
  SetFocus(Item(IDC_EDTPSWD));
}

bool TCheckPasswordForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  btnOKClick();
  return true;
}

void TCheckPasswordForm::btnOKClick() {
  if (AdminPasswordMatches(sysOption_, ItemText(IDC_EDTPSWD))) {
    End(IDOK);
    return;
  }
  MessageBoxes::Show(Handle(), kWrongPassword);
  // The entry stays, selected, so that typing again replaces it.
  SetFocus(Item(IDC_EDTPSWD));
  SendDlgItemMessageW(Handle(), IDC_EDTPSWD, EM_SETSEL, 0, -1);
}

bool CheckAdminPassword(const TSysOption& sysOption, HWND owner) {
  TCheckPasswordForm form(sysOption);
  return form.ShowModal(owner) == IDOK;
}

}  // namespace keydesk
