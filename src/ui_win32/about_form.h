#pragma once

#include "ui_win32/dialog.h"

namespace keydesk {

// The about box: the interface's title, the version, the maker, beside a picture.
class TAboutForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{413, 262};

  explicit TAboutForm(int interfaceKind);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;

  const int interfaceKind_;
};

// Shows the about box for the interface kind, modally and without an owner.
void ShowAbout(int interfaceKind);

}  // namespace keydesk
