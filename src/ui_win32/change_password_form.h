#pragma once

#include "ui_win32/dialog.h"

namespace keydesk {

class TSysOption;

// The change of the administrator password: two equal entries become the password, saved at
// once; an empty one or entries that differ are answered with a box and the dialog stays.
class TChangePasswordForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{346, 163};

  explicit TChangePasswordForm(TSysOption& sysOption);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void btnOKClick();

  TSysOption& sysOption_;
  HICON picture_ = nullptr;  // shared with the module; not destroyed
};

// Shows the change dialog over owner.
void ChangeAdminPassword(TSysOption& sysOption, HWND owner);

}  // namespace keydesk
