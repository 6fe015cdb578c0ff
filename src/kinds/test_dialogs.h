#pragma once

#include <string>

namespace keydesk {

struct DoorlockService;
class HandTestActions;
class MemberTestActions;

// The test dialogs of a front end, which a kind's Test command opens. Each front end (the Qt
// window, the Windows dialogs) implements them; the kind decides which one is shown and
// with what. Main thread only.
class TestDialogs {
 public:
  virtual ~TestDialogs() = default;
  virtual void ShowDoorlockTest(DoorlockService& service) = 0;
  virtual void ShowHandTest(const HandTestActions& actions) = 0;
  virtual void ShowMemberTest(const MemberTestActions& actions) = 0;
  // A message box titled with the application title; text in code page 936.
  virtual void ShowText(const std::string& text) = 0;
};

}  // namespace keydesk
