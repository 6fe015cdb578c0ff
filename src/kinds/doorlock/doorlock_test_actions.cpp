#include "kinds/doorlock/doorlock_test_actions.h"

#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "kinds/doorlock/guest_card_issue.h"
#include "kinds/test_dialog_times.h"
#include "platform/clock.h"

namespace keydesk {

std::string DoorlockTestActions::DefaultCheckIn() const {
  return DefaultTestCheckIn(service_.Context.LocalClock);
}

std::string DoorlockTestActions::DefaultCheckOut() const {
  return DefaultTestCheckOut(service_.Context.LocalClock);
}

bool DoorlockTestActions::OpenPort() {
  TBaseDoorlock* doorlock = service_.Doorlock;
  return doorlock != nullptr && doorlock->OpenPort();
}

void DoorlockTestActions::Beep() {
  if (TBaseDoorlock* doorlock = service_.Doorlock) doorlock->Beep();
}

bool DoorlockTestActions::ClosePort() {
  TBaseDoorlock* doorlock = service_.Doorlock;
  return doorlock != nullptr && doorlock->ClosePort();
}

bool DoorlockTestActions::EraseCard() {
  TBaseDoorlock* doorlock = service_.Doorlock;
  return doorlock != nullptr && doorlock->EraseCard();
}

bool DoorlockTestActions::ReadCard(int64_t& CardNo) {
  TBaseDoorlock* doorlock = service_.Doorlock;
  return doorlock != nullptr && doorlock->ReadCard(CardNo);
}

bool DoorlockTestActions::WriteCard(const TestCardEntries& entries, int64_t& CardNo) {
  GuestCardIssue card;
  card.RoomBuildingCode = entries.RoomBuildingCode;
  card.RoomFloorCode = entries.RoomFloorCode;
  card.RoomNo = entries.RoomNo;
  card.GuestName = kGuestName;
  // Unlike a request, the dialog's times are used as typed, without the configured delays.
  card.CheckIn = StrToDateTime(entries.CheckIn);
  card.CheckOut = StrToDateTime(entries.CheckOut);
  card.IsCopy = entries.IsCopy;
  return IssueGuestCard(service_, card, CardNo);
}

}  // namespace keydesk
