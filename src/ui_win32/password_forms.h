#pragma once

#include "ui_win32/dialog.h"

namespace keydesk {

class Desk;

// The administrator password prompt: ends with OK only for a password the desk takes; a wrong
// one, or one given while the wait after a wrong one runs, is answered with the desk's box and
// the prompt stays, its entry kept.
class TCheckPasswordForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{306, 140};

  explicit TCheckPasswordForm(Desk& desk);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;

  Desk& desk_;
};

// The change of the administrator password: the desk takes the two entries or says why not,
// and then the dialog stays.
class TChangePasswordForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{346, 163};

  explicit TChangePasswordForm(Desk& desk);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;

  Desk& desk_;
};

}  // namespace keydesk
