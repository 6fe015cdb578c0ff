#pragma once

#include <windows.h>

#include "kinds/test_dialogs.h"

namespace keydesk {

// The test dialogs of the Windows window, modal over owner.
class WindowTestDialogs final : public TestDialogs {
 public:
  explicit WindowTestDialogs(HWND owner) : owner_(owner) {}

  void ShowDoorlockTest(DoorlockService& service) override;
  void ShowHandTest(const HandTestActions& actions) override;
  void ShowMemberTest(const MemberTestActions& actions) override;
  void ShowText(const std::string& text) override;

 private:
  HWND owner_;
};

}  // namespace keydesk
