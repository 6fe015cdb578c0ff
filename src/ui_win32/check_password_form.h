#pragma once

#include "ui_win32/dialog.h"

namespace keydesk {

class TSysOption;

// The administrator password prompt: ends with OK only for the right password; a wrong one is
// answered with a box and the prompt stays, its entry kept.
class TCheckPasswordForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{306, 140};

  explicit TCheckPasswordForm(const TSysOption& sysOption);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void btnOKClick();

  const TSysOption& sysOption_;
};

// Shows the prompt over owner; true when it ended with OK.
bool CheckAdminPassword(const TSysOption& sysOption, HWND owner);

}  // namespace keydesk
