#pragma once

#include "kinds/test_dialogs.h"

class QWidget;

namespace keydesk {

// The Qt window's test dialogs, modal to the main window.
class WindowTestDialogs final : public TestDialogs {
 public:
  explicit WindowTestDialogs(QWidget* parent) : parent_(parent) {}

  void ShowDoorlockTest(DoorlockService& service) override;
  void ShowHandTest(const HandTestActions& actions) override;
  void ShowMemberTest(const MemberTestActions& actions) override;
  void ShowText(const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace keydesk
