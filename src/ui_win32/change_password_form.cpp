#include "ui_win32/change_password_form.h"

#include "app/admin_password.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TChangePasswordForm::TChangePasswordForm(TSysOption& sysOption)
    : Dialog(IDD_CHANGE_PASSWORD, kClientSize, Placement::CentredOnOwner), sysOption_(sysOption) {}

void TChangePasswordForm::OnInit() {
  SetWindowUtf8(Handle(), kChangePasswordCaption);
  // The picture is the 48-pixel size of the icon; LR_SHARED leaves it to the module.
  picture_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_KEYDESK),
                                           IMAGE_ICON, 48, 48, LR_SHARED));
  if (picture_ != nullptr) {
    SendDlgItemMessageW(Handle(), IDC_PICTURE, STM_SETICON, reinterpret_cast<WPARAM>(picture_), 0);
  }
  for (const int entry : {IDC_EDTPSWD, IDC_EDTCONFIRMPSWD}) {
    SendDlgItemMessageW(Handle(), entry, EM_SETPASSWORDCHAR, L'*', 0);
  }
  SetFocus(Item(IDC_EDTPSWD));
}

bool TChangePasswordForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  btnOKClick();
  return true;
}

void TChangePasswordForm::btnOKClick() {
  // A failed save raises out of here into an error box; the dialog then stays open.
  if (const auto refusal =
          ChangeAdminPasswordTo(sysOption_, ItemText(IDC_EDTPSWD), ItemText(IDC_EDTCONFIRMPSWD))) {
    MessageBoxes::Show(Handle(), *refusal);
    return;
  }
  MessageBoxes::Show(Handle(), kPasswordChanged);
  End(IDOK);
}

void ChangeAdminPassword(TSysOption& sysOption, HWND owner) {
  TChangePasswordForm form(sysOption);
  form.ShowModal(owner);
}

}  // namespace keydesk
