#pragma once

#include "kinds/doorlock/doorlock_test_actions.h"
#include "ui_win32/test_form.h"

namespace keydesk {

struct DoorlockService;

// The door lock test dialog: exercises the installed driver by hand, without a PMS. After each
// button a line says whether it worked (for a read: the card's number, room and validity).
class TDoorlockTestForm final : public TestForm {
 public:
  static constexpr SIZE kClientSize{599, 394};

  explicit TDoorlockTestForm(DoorlockService& service);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void Outcome(const char* action, bool (DoorlockTestActions::*call)());
  void BeepBtnClick();
  void EraseCardBtnClick();
  void WriteCardBtnClick();
  void ReadCardBtnClick();

  DoorlockTestActions actions_;
};

}  // namespace keydesk
