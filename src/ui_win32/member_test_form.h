#pragma once

#include "kinds/member/member_test_actions.h"
#include "ui_win32/test_form.h"

namespace keydesk {

// The member-card test dialog: calls the device directly, the channel taken afresh from the
// list's text at every read and write.
class TMemberTestForm final : public TestForm {
 public:
  static constexpr SIZE kClientSize{441, 311};

  explicit TMemberTestForm(const MemberTestActions& actions);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void Outcome(const char* action, bool (MemberTestActions::*call)());
  void ReadCardBtnClick();
  void WriteCardBtnClick();

  MemberTestActions actions_;
};

}  // namespace keydesk
