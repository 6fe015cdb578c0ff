#include "kinds/doorlock/doorlock_test_actions.h"

#include "kinds/service_context.h"
#include "kinds/test_dialog_times.h"
#include "doorlock/base_doorlock.h"
#include "platform/clock.h"
#include "kinds/doorlock/guest_card_issue.h"

namespace keydesk {

std::string DoorlockTestActions::DefaultCheckIn() const {
  return DefaultTestCheckIn(context_.LocalClock);
}

std::string DoorlockTestActions::DefaultCheckOut() const {
  return DefaultTestCheckOut(context_.LocalClock);
}

bool DoorlockTestActions::OpenPort() {
  TBaseDoorlock* doorlock = context_.Doorlock.load();
  return doorlock != nullptr && doorlock->OpenPort();
}

void DoorlockTestActions::Beep() {
  if (TBaseDoorlock* doorlock = context_.Doorlock.load()) doorlock->Beep();
}

bool DoorlockTestActions::ClosePort() {
  TBaseDoorlock* doorlock = context_.Doorlock.load();
  return doorlock != nullptr && doorlock->ClosePort();
}

bool DoorlockTestActions::EraseCard() {
  TBaseDoorlock* doorlock = context_.Doorlock.load();
  return doorlock != nullptr && doorlock->EraseCard();
}

bool DoorlockTestActions::ReadCard(int64_t& CardNo) {
  TBaseDoorlock* doorlock = context_.Doorlock.load();
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
  return IssueGuestCard(context_, card, CardNo);
}

}  // namespace keydesk
