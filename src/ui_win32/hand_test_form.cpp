#include "ui_win32/hand_test_form.h"

#include "kinds/test_dialogs.h"
#include "kinds/test_outcome.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

THandTestForm::THandTestForm(const HandTestActions& actions)
    : TestForm(IDD_HAND_TEST, kClientSize), actions_(actions) {}

void THandTestForm::OnInit() {
  SetWindowUtf8(Handle(), kTestCaption);
  SetItemUtf8(IDC_ROOMBUILDINGCODE, kTestRoomBuildingCode);
  SetItemUtf8(IDC_ROOMFLOORCODE, kTestRoomFloorCode);
  SetItemUtf8(IDC_ROOMNO, kTestRoomNo);
  SetItemText(IDC_CHECKIN, actions_.DefaultCheckIn());
  SetItemText(IDC_CHECKOUT, actions_.DefaultCheckOut());
  SetFocus(Item(IDC_OPENPORT));
}

bool THandTestForm::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_OPENPORT:
      Outcome("打开串口", &HandTestActions::OpenPort);
      return true;
    case IDC_CLOSEPORT:
      Outcome("关闭串口", &HandTestActions::ClosePort);
      return true;
    case IDC_BEEP:
      ShowOutcome({});
      RunEncoderCall([this] { actions_.Beep(); });
      ShowOutcome(TestDoneText("Beep"));
      return true;
    case IDC_READCARD:
      ShowHandNo("读卡", &HandTestActions::ReadCard);
      return true;
    // An operator trying the device wants to see which tag was written or erased too.
    case IDC_WRITECARD:
      ShowHandNo("写卡", &HandTestActions::WriteCard);
      return true;
    case IDC_ERASECARD:
      ShowHandNo("销卡", &HandTestActions::EraseCard);
      return true;
    default:
      return false;
  }
}

void THandTestForm::Outcome(const char* action, bool (HandTestActions::*call)()) {
  ShowOutcome({});
  const bool succeeded = RunEncoderCall([this, call] { return (actions_.*call)(); });
  ShowOutcome(TestOutcomeText(action, succeeded));
}

void THandTestForm::ShowHandNo(const char* action,
                               bool (HandTestActions::*operation)(std::string&)) {
  // Nothing of an earlier tag stays on screen while this operation runs.
  SetItemText(IDC_NUMBER, {});
  ShowOutcome({});
  std::string handNo;
  const bool succeeded = RunEncoderCall([&] { return (actions_.*operation)(handNo); });
  SetItemText(IDC_NUMBER, handNo);
  ShowOutcome(HandTestActions::Outcome(action, succeeded, handNo));
}

}  // namespace keydesk
