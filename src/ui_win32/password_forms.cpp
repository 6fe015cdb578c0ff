#include "ui_win32/password_forms.h"

#include <optional>

#include "app/desk.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TCheckPasswordForm::TCheckPasswordForm(Desk& desk)
    : Dialog(IDD_CHECK_PASSWORD, kClientSize, Placement::CentredOnOwner), desk_(desk) {}

void TCheckPasswordForm::OnInit() {
  SetWindowUtf8(Handle(), kCheckPasswordCaption);
  // Visual styles would mask with a bullet.
  SendDlgItemMessageW(Handle(), IDC_EDTPSWD, EM_SETPASSWORDCHAR, L'*', 0);
  SetFocus(Item(IDC_EDTPSWD));
}

bool TCheckPasswordForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  // A wrong entry, or one given while the wait after a wrong one runs, is answered.
  const std::optional<BoxText> refusal = desk_.CheckPassword(ItemText(IDC_EDTPSWD));
  if (!refusal) {
    End(IDOK);
    return true;
  }
  MessageBoxes::Show(Handle(), refusal->Message());
  // The entry stays, selected, so that typing again replaces it.
  SetFocus(Item(IDC_EDTPSWD));
  SendDlgItemMessageW(Handle(), IDC_EDTPSWD, EM_SETSEL, 0, -1);
  return true;
}

TChangePasswordForm::TChangePasswordForm(Desk& desk)
    : Dialog(IDD_CHANGE_PASSWORD, kClientSize, Placement::CentredOnOwner), desk_(desk) {}

void TChangePasswordForm::OnInit() {
  SetWindowUtf8(Handle(), kChangePasswordCaption);
  // The 48-pixel size of the icon; LR_SHARED leaves it to the module.
  const auto picture = static_cast<HICON>(LoadImageW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_KEYDESK), IMAGE_ICON, 48, 48, LR_SHARED));
  SendDlgItemMessageW(Handle(), IDC_PICTURE, STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
  for (const int entry : {IDC_EDTPSWD, IDC_EDTCONFIRMPSWD}) {
    SendDlgItemMessageW(Handle(), entry, EM_SETPASSWORDCHAR, L'*', 0);
  }
  SetFocus(Item(IDC_EDTPSWD));
}

bool TChangePasswordForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  // A failed save raises out of here into an error box; the dialog then stays open.
  const auto refusal = desk_.ChangePassword(ItemText(IDC_EDTPSWD), ItemText(IDC_EDTCONFIRMPSWD));
  MessageBoxes::Show(Handle(), refusal ? *refusal : kPasswordChanged);
  if (!refusal) End(IDOK);
  return true;
}

}  // namespace keydesk
