#include "ui_win32/doorlock_test_form.h"

#include "kinds/test_dialogs.h"
#include "kinds/test_outcome.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TDoorlockTestForm::TDoorlockTestForm(DoorlockService& service)
    : TestForm(IDD_DOORLOCK_TEST, kClientSize), actions_(service) {}

void TDoorlockTestForm::OnInit() {
  SetWindowUtf8(Handle(), kTestCaption);
  SetItemUtf8(IDC_ROOMBUILDINGCODE, kTestRoomBuildingCode);
  SetItemUtf8(IDC_ROOMFLOORCODE, kTestRoomFloorCode);
  SetItemUtf8(IDC_ROOMNO, kTestRoomNo);
  SetItemText(IDC_CHECKIN, actions_.DefaultCheckIn());
  SetItemText(IDC_CHECKOUT, actions_.DefaultCheckOut());
}

bool TDoorlockTestForm::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_OPENPORT:
      Outcome("打开串口", &DoorlockTestActions::OpenPort);
      return true;
    case IDC_CLOSEPORT:
      Outcome("关闭串口", &DoorlockTestActions::ClosePort);
      return true;
    case IDC_ERASECARD:
      EraseCardBtnClick();
      return true;
    case IDC_BEEP:
      BeepBtnClick();
      return true;
    case IDC_WRITECARD:
      WriteCardBtnClick();
      return true;
    case IDC_READCARD:
      ReadCardBtnClick();
      return true;
    default:
      return false;
  }
}

void TDoorlockTestForm::Outcome(const char* action, bool (DoorlockTestActions::*call)()) {
  ShowOutcome({});
  const bool succeeded = RunEncoderCall([this, call] { return (actions_.*call)(); });
  ShowOutcome(TestOutcomeText(action, succeeded));
}

void TDoorlockTestForm::EraseCardBtnClick() {
  ShowOutcome({});
  const bool erased = RunEncoderCall([this] { return actions_.EraseCard(); });
  ShowOutcome(DoorlockTestActions::EraseOutcome(erased));
}

void TDoorlockTestForm::BeepBtnClick() {
  ShowOutcome({});
  RunEncoderCall([this] { actions_.Beep(); });
  ShowOutcome(TestDoneText("Beep"));
}

void TDoorlockTestForm::WriteCardBtnClick() {
  ShowOutcome({});
  TestCardEntries entries;
  entries.RoomBuildingCode = ItemText(IDC_ROOMBUILDINGCODE);
  entries.RoomFloorCode = ItemText(IDC_ROOMFLOORCODE);
  entries.RoomNo = ItemText(IDC_ROOMNO);
  entries.CheckIn = ItemText(IDC_CHECKIN);
  entries.CheckOut = ItemText(IDC_CHECKOUT);
  entries.IsCopy = Checked(IDC_ISCOPY);
  int64_t cardNo = 0;
  const bool written = RunEncoderCall([&] { return actions_.WriteCard(entries, cardNo); });
  ShowOutcome(DoorlockTestActions::WriteOutcome(written, cardNo));
}

void TDoorlockTestForm::ReadCardBtnClick() {
  // Nothing of an earlier card stays on screen while this one is read.
  SetItemText(IDC_NUMBER, {});
  ShowOutcome({});
  // Zero unless the driver got as far as the card's number.
  int64_t cardNo = 0;
  TCardDetails details;
  std::string journal;
  const bool read = RunEncoderCall([&] {
    const bool succeeded = actions_.ReadCardDetails(cardNo, details);
    if (succeeded) journal = actions_.JournalText(cardNo);
    return succeeded;
  });
  SetItemText(IDC_NUMBER, std::to_string(cardNo));
  std::string outcome = DoorlockTestActions::ReadOutcome(read, cardNo, details);
  if (!journal.empty()) outcome += "\r\n" + journal;
  ShowOutcome(outcome);
}

}  // namespace keydesk
