#pragma once

#include <string>

#include "kinds/hand/hand_test_actions.h"
#include "ui_win32/test_form.h"

namespace keydesk {

// The hand-tag test dialog: calls the device directly; the room, time and copy controls are
// shown only. Read, write and erase show the hand number the device gave back.
class THandTestForm final : public TestForm {
 public:
  static constexpr SIZE kClientSize{599, 394};

  explicit THandTestForm(const HandTestActions& actions);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void Outcome(const char* action, bool (HandTestActions::*call)());
  void ShowHandNo(const char* action, bool (HandTestActions::*operation)(std::string&));

  HandTestActions actions_;
};

}  // namespace keydesk
