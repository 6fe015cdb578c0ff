#pragma once

#include <string>

namespace keydesk {

struct DoorlockService;
class HandTestActions;
class MemberTestActions;

// The caption of every test dialog.
inline constexpr const char* kTestCaption = "测试";
// The room the door lock and hand-tag test dialogs open with: building, floor, room.
inline constexpr const char* kTestRoomBuildingCode = "00";
inline constexpr const char* kTestRoomFloorCode = "01";
inline constexpr const char* kTestRoomNo = "01";

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
