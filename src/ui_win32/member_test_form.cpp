#include "ui_win32/member_test_form.h"

#include "kinds/test_dialogs.h"
#include "kinds/test_outcome.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TMemberTestForm::TMemberTestForm(const MemberTestActions& actions)
    : TestForm(IDD_MEMBER_TEST, kClientSize), actions_(actions) {}

void TMemberTestForm::OnInit() {
  SetWindowUtf8(Handle(), kTestCaption);
  const HWND channel = Item(IDC_CHANNEL);
  for (const char* item :
       {MemberTestActions::kHotelCardItem, MemberTestActions::kAllianceCardItem}) {
    SendMessageW(channel, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(item).c_str()));
  }
  SendMessageW(channel, CB_SETCURSEL, 0, 0);
  SetFocus(Item(IDC_OPENPORT));
}

bool TMemberTestForm::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_OPENPORT:
      Outcome("打开串口", &MemberTestActions::OpenPort);
      return true;
    case IDC_CLOSEPORT:
      Outcome("关闭串口", &MemberTestActions::ClosePort);
      return true;
    case IDC_PRINTCARD:
      Outcome("打印卡", &MemberTestActions::PrintCard);
      return true;
    case IDC_BEEP:
      ShowOutcome({});
      RunEncoderCall([this] { actions_.Beep(); });
      ShowOutcome(TestDoneText("Beep"));
      return true;
    case IDC_READCARD:
      ReadCardBtnClick();
      return true;
    case IDC_WRITECARD:
      WriteCardBtnClick();
      return true;
    default:
      return false;
  }
}

void TMemberTestForm::Outcome(const char* action, bool (MemberTestActions::*call)()) {
  ShowOutcome({});
  const bool succeeded = RunEncoderCall([this, call] { return (actions_.*call)(); });
  ShowOutcome(TestOutcomeText(action, succeeded));
}

void TMemberTestForm::ReadCardBtnClick() {
  // Nothing of an earlier card stays on screen while this one is read.
  SetItemText(IDC_NUMBER, {});
  SetItemText(IDC_PASSWORD, {});
  ShowOutcome({});
  MemberTestRead read;
  const std::string channel = ItemText(IDC_CHANNEL);
  const bool succeeded = RunEncoderCall([&] { return actions_.ReadCard(channel, read); });
  SetItemText(IDC_NUMBER, read.CardNo);
  SetItemText(IDC_PASSWORD, read.Password);
  ShowOutcome(MemberTestActions::ReadOutcome(succeeded, read));
}

void TMemberTestForm::WriteCardBtnClick() {
  ShowOutcome({});
  const std::string cardNo = ItemText(IDC_NUMBER);
  const std::string channel = ItemText(IDC_CHANNEL);
  const bool written = RunEncoderCall([&] { return actions_.WriteCard(cardNo, channel); });
  ShowOutcome(MemberTestActions::WriteOutcome(written, cardNo));
}

}  // namespace keydesk
