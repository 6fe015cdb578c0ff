#include "kinds/doorlock/doorlock_test_actions.h"

#include "core/field_conversion.h"
#include "core/service_status.h"
#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "kinds/doorlock/guest_card_issue.h"
#include "kinds/doorlock/issue_check.h"
#include "kinds/doorlock/issued_card_text.h"
#include "kinds/test_dialog_times.h"
#include "kinds/test_listing.h"
#include "kinds/test_outcome.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/errors.h"

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

void DoorlockTestActions::Listed(const char* type, std::string roomKey, int64_t CardNo,
                                 bool succeeded, std::string reason, std::string warning) const {
  ListTestOperation(service_.Context, type, std::move(roomKey), std::to_string(CardNo), succeeded,
                    std::move(reason), std::move(warning));
}

bool DoorlockTestActions::EraseCard() {
  TBaseDoorlock* doorlock = service_.Doorlock;
  const bool erased = doorlock != nullptr && doorlock->EraseCard();
  Listed("EraseCard", {}, 0, erased);
  return erased;
}

bool DoorlockTestActions::ReadCard(int64_t& CardNo) {
  TBaseDoorlock* doorlock = service_.Doorlock;
  const bool read = doorlock != nullptr && doorlock->ReadCard(CardNo);
  if (doorlock != nullptr) service_.Context.Status.EncoderCalled(read);
  Listed("ReadCard", {}, CardNo, read);
  return read;
}

DoorlockTestActions::CheckedRead DoorlockTestActions::ReadCardChecked() {
  CheckedRead result;
  TBaseDoorlock* doorlock = service_.Doorlock;
  result.Read = doorlock != nullptr && doorlock->ReadCardDetails(result.CardNo, result.Details);
  if (doorlock != nullptr) service_.Context.Status.EncoderCalled(result.Read);
  if (result.Read) {
    result.Check = CheckIssuedCard(service_.Context, result.CardNo, result.Details);
    Listed("ReadCard", {}, result.CardNo, true, {}, result.Check.Warning);
  } else {
    Listed("ReadCard", {}, result.CardNo, false,
           ReadFailureReason(doorlock != nullptr, result.Details));
  }
  return result;
}

IssueOutcome DoorlockTestActions::WriteCard(const TestCardEntries& entries) {
  GuestCardIssue card;
  card.RoomBuildingCode = entries.RoomBuildingCode;
  card.RoomFloorCode = entries.RoomFloorCode;
  card.RoomNo = entries.RoomNo;
  card.GuestName = kGuestName;
  // Unlike a request, the dialog's times are used as typed, without the configured delays.
  card.CheckIn = FieldToDateTime(entries.CheckIn, "起始时间");
  card.CheckOut = FieldToDateTime(entries.CheckOut, "结束时间");
  card.IsCopy = entries.IsCopy;
  // The request's rule, told at once: the card as typed, before the store sets its start.
  const std::string roomKey = card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo;
  if (const std::optional<std::string> refusal = IssueRefusal(card, card.CheckIn)) {
    Listed("IssueCard", roomKey, 0, false, *refusal);
    throw Error(*refusal + AnsiFromUtf8("，没有写卡。"));
  }
  const IssueOutcome outcome = IssueGuestCard(service_, card);
  Listed("IssueCard", roomKey, outcome.CardNo, outcome.Written, outcome.Reason);
  return outcome;
}

std::string DoorlockTestActions::WriteOutcome(const IssueOutcome& outcome) {
  std::string details = AnsiFromUtf8("卡号 ") + std::to_string(outcome.CardNo);
  if (!outcome.Written && !outcome.Reason.empty()) details += AnsiFromUtf8("，") + outcome.Reason;
  return TestOutcomeText("写卡", outcome.Written, details);
}

std::string DoorlockTestActions::EraseOutcome(bool erased) {
  if (!erased) return TestOutcomeText("销卡", false);
  return TestOutcomeText("销卡", true, AnsiFromUtf8("卡本身没有改动，仍按写入的有效期开门"));
}

std::string DoorlockTestActions::ReadOutcome(bool read, int64_t CardNo,
                                             const TCardDetails& Details) {
  if (!read && !Details.Inconsistency.empty()) {
    return TestOutcomeText("读卡", false, AnsiFromUtf8("卡不完整，") + Details.Inconsistency);
  }
  if (!read && !Details.Failure.empty()) return TestOutcomeText("读卡", false, Details.Failure);
  if (!read) return TestOutcomeText("读卡", false);
  std::string details = AnsiFromUtf8("卡号 ") + std::to_string(CardNo);
  if (!Details.RoomNo.empty()) details += AnsiFromUtf8("，房间 ") + Details.RoomNo;
  if (!Details.ValidFrom.empty() || !Details.ValidTo.empty()) {
    details += AnsiFromUtf8("，有效期 ") + ValidityForPeople(Details.ValidFrom) +
               AnsiFromUtf8(" 至 ") + ValidityForPeople(Details.ValidTo);
  }
  return TestOutcomeText("读卡", true, details);
}

std::string DoorlockTestActions::ReadOutcome(const CheckedRead& read) {
  std::string line = ReadOutcome(read.Read, read.CardNo, read.Details);
  if (!read.Check.Journal.empty()) line += "\n" + read.Check.Journal;
  if (!read.Check.Warning.empty()) line += "\n" + read.Check.Warning;
  return line;
}

}  // namespace keydesk
