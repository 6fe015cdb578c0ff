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

namespace {

// Runs call on the encoder in this desk's turn, without a deadline: the clerk sees the
// dialog wait. The reason when it did not run or come back; result as the call left it.
// call reaches nothing but the driver and result, so that a call that hangs may outlive it.
template <class Result>
std::optional<std::string> OnEncoder(DoorlockService& service, Result& result,
                                     void (*call)(TBaseDoorlock& driver, Result& result),
                                     const char* doing = nullptr) {
  EncoderAccess* encoder = service.Encoder.get();
  if (encoder == nullptr) return AnsiFromUtf8("没有发卡器");
  const auto job = std::make_shared<EncoderCall<Result>>(
      [&driver = encoder->Driver(), call](Result& r) { call(driver, r); });
  job->Result_ = result;
  EncoderRequest request;
  if (doing != nullptr) request.Doing = AnsiFromUtf8(doing);
  if (const auto refusal = encoder->Run(request, job)) return refusal->Reason;
  result = job->Result_;
  return std::nullopt;
}

}  // namespace

bool DoorlockTestActions::OpenPort() {
  bool opened = false;
  return !OnEncoder<bool>(service_, opened, [](TBaseDoorlock& d, bool& r) { r = d.OpenPort(); }) &&
         opened;
}

void DoorlockTestActions::Beep() {
  bool unused = false;
  OnEncoder<bool>(service_, unused, [](TBaseDoorlock& d, bool&) { d.Beep(); });
}

bool DoorlockTestActions::ClosePort() {
  bool closed = false;
  return !OnEncoder<bool>(service_, closed, [](TBaseDoorlock& d, bool& r) { r = d.ClosePort(); }) &&
         closed;
}

void DoorlockTestActions::Listed(const char* type, std::string roomKey, int64_t CardNo,
                                 bool succeeded, std::string reason, std::string warning) const {
  ListTestOperation(service_.Context, type, std::move(roomKey), std::to_string(CardNo), succeeded,
                    std::move(reason), std::move(warning));
}

bool DoorlockTestActions::EraseCard() {
  bool erased = false;
  const auto refusal = OnEncoder<bool>(
      service_, erased, [](TBaseDoorlock& d, bool& r) { r = d.EraseCard(); },
      "正在注销卡，请勿移开卡片");
  erased = erased && !refusal;
  Listed("EraseCard", {}, 0, erased, refusal.value_or(std::string()));
  return erased;
}

namespace {

struct Read {
  bool Read = false;
  int64_t CardNo = 0;
  TCardDetails Details;
};

}  // namespace

bool DoorlockTestActions::ReadCard(int64_t& CardNo) {
  Read read{false, CardNo, {}};
  const auto refusal = OnEncoder<Read>(
      service_, read, [](TBaseDoorlock& d, Read& r) { r.Read = d.ReadCard(r.CardNo); },
      "正在读卡，请勿移开卡片");
  CardNo = read.CardNo;
  if (!refusal) service_.Context.Status.EncoderCalled(read.Read);
  Listed("ReadCard", {}, CardNo, read.Read && !refusal, refusal.value_or(std::string()));
  return read.Read && !refusal;
}

DoorlockTestActions::CheckedRead DoorlockTestActions::ReadCardChecked() {
  Read read;
  const auto refusal = OnEncoder<Read>(
      service_, read,
      [](TBaseDoorlock& d, Read& r) { r.Read = d.ReadCardDetails(r.CardNo, r.Details); },
      "正在读卡，请勿移开卡片");
  CheckedRead result{read.Read && !refusal, read.CardNo, read.Details, {}};
  if (!refusal) service_.Context.Status.EncoderCalled(read.Read);
  if (result.Read) {
    result.Check = CheckIssuedCard(service_.Context, result.CardNo, result.Details);
    Listed("ReadCard", {}, result.CardNo, true, {}, result.Check.Warning);
  } else {
    if (refusal) result.Details.Failure = *refusal;
    Listed("ReadCard", {}, result.CardNo, false,
           ReadFailureReason(service_.Encoder != nullptr, result.Details));
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
