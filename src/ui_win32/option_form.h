#pragma once

#include "ui_win32/dialog.h"

namespace keydesk {

class SharedOption;
struct TOptionEntries;

// The door lock options dialog. Opens filled from the options; "确定" takes every control
// into them, saves them and asks for a restart; "取消" changes nothing. A bad integer entry is
// answered with an error box and changes nothing.
class TOptionForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{563, 346};

  explicit TOptionForm(SharedOption& option);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void FormShow();
  void btnOKBtnClick();
  TOptionEntries Entries() const;

  SharedOption& option_;
};

}  // namespace keydesk
