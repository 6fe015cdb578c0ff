#include "kinds/doorlock/guest_card_issue.h"

#include "core/log_file.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "kinds/doorlock/issue_check.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/mutex.h"
#include "store/issue_result.h"
#include "store/record_store.h"

namespace keydesk {
namespace {

constexpr int32_t kGuestCardType = 1;

// The start of a card issued with the record store in use: now less DelayMinutes for a
// normal card, the room's last check-in time for a copy; fresh is set when the room has no
// time yet, which the card's start then becomes once the card may be written.
DateTime StartFromStore(DoorlockService& service, RoomTimes& room, bool isCopy, bool& fresh)
    REQUIRES(service.RoomTimeMutex) {
  const ServiceContext& context = service.Context;
  const DateTime freshStart =
      context.LocalClock.Now().AddMinutes(-int64_t{context.SysOption.DelayMinutes});
  fresh = false;
  if (!isCopy) return freshStart;
  const DateTime last = room.GetLastCheckInTime();
  if (!last.IsZero()) return last;
  fresh = true;
  return freshStart;
}

// Why the card must not be written at all: what the card cannot hold, or a client that has
// gone; none when it may be written.
std::optional<std::string> Refusal(const ServiceContext& context, const GuestCardIssue& card,
                                   DateTime start, const std::function<bool()>& clientGone) {
  std::optional<std::string> reason = IssueRefusal(card, start);
  if (!reason && clientGone && clientGone()) reason = AnsiFromUtf8("PMS 已断开，没有写卡");
  if (reason) context.Log.Write(AnsiFromUtf8("拒绝发卡：") + *reason);
  return reason;
}

// One card issue from its start time on: journal ahead, write, journal what came of it.
class CardWrite {
 public:
  CardWrite(DoorlockService& service, const GuestCardIssue& card, DateTime start)
      : service_(service),
        context_(service.Context),
        card_(card),
        start_(start),
        roomKey_(card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo),
        journaled_(context_.SysOption.SaveDoorlockRecord) {}

  // A refused attempt is journaled as such; nothing else happens.
  IssueOutcome Refuse(const std::string& reason) {
    if (journaled_) {
      const IssueCardRecord record = Record(RefusedResult(reason));
      context_.RecordStore.AddIssueCardRecord(
          record.RegisterId, record.CardNo, record.RoomNo, record.CardType, record.LastCheckInTime,
          record.CheckInTime, record.CheckOutTime, record.IsCopy, record.GuestName,
          record.OpratingTime, record.IssueResult);
    }
    return {.Reason = reason};
  }

  // The row that says a card is being written; false (with the reason in the outcome) when it
  // cannot be written, and then no card may be.
  bool Begin() {
    if (!journaled_) return true;
    std::string error;
    outcome_.RecordId = context_.RecordStore.BeginIssueCardRecord(Record(WritingResult()), error);
    if (!outcome_.RecordId) outcome_.Reason = JournalFailure(error);
    return outcome_.RecordId.has_value();
  }

  // What came of it so far.
  const IssueOutcome& Outcome() const { return outcome_; }

  // Writes the card and completes its row.
  IssueOutcome Write() {
    TBaseDoorlock* doorlock = service_.Doorlock;
    TWriteReport report;
    bool journalFailed = false;
    report.BeforeWrite = [&](int64_t cardNo) {
      // The row names the card before the card exists, so a crash leaves its number behind.
      if (!outcome_.RecordId || context_.RecordStore.CompleteIssueCardRecord(
                                    *outcome_.RecordId, std::to_string(cardNo), WritingResult())) {
        return true;
      }
      journalFailed = true;
      return false;
    };
    if (doorlock != nullptr) {
      outcome_.Written = doorlock->WriteCardReported(
          card_.RegisterId, card_.RoomBuildingCode, card_.RoomFloorCode, card_.RoomNo,
          CardGuestName(card_.GuestName), start_, start_, card_.CheckOut, card_.CheckOut,
          card_.IsCopy, outcome_.CardNo, report);
      // A write the journal stopped never reached the card.
      if (!journalFailed) context_.Status.EncoderCalled(outcome_.Written);
    }
    std::string result = WrittenResult();
    if (journalFailed) {
      outcome_.Reason = JournalFailure(AnsiFromUtf8("卡号写不进发卡记录"));
      outcome_.CardNo = 0;
      result = FailedResult(outcome_.Reason);
    } else if (!outcome_.Written) {
      result = Failure(doorlock, report);
    }
    if (outcome_.RecordId) {
      context_.RecordStore.CompleteIssueCardRecord(*outcome_.RecordId,
                                                   std::to_string(outcome_.CardNo), result);
    }
    return outcome_;
  }

 private:
  IssueCardRecord Record(std::string result) const {
    return {card_.RegisterId, "0",
            roomKey_,         kGuestCardType,
            start_,           card_.CheckIn,
            card_.CheckOut,   card_.IsCopy,
            card_.GuestName,  context_.LocalClock.Now(),
            std::move(result)};
  }

  // The store has logged its error just before; the log says what came of it.
  std::string JournalFailure(const std::string& error) const {
    context_.Log.Write(AnsiFromUtf8("发卡记录无法写入，没有写卡"));
    return AnsiFromUtf8("发卡记录无法写入，没有写卡：") + error;
  }

  // Says in the outcome why the card is not good, and gives the journal's result for it.
  std::string Failure(const TBaseDoorlock* doorlock, const TWriteReport& report) {
    if (doorlock == nullptr) {
      outcome_.Reason = AnsiFromUtf8("没有发卡器");
      return FailedResult(outcome_.Reason);
    }
    const std::string failure =
        report.Failure.empty() ? AnsiFromUtf8("发卡器没有写成") : report.Failure;
    if (!report.CardLeft) {
      outcome_.Reason = failure;
      return FailedResult(failure);
    }
    outcome_.CardLeft = true;
    std::string doubtful = failure;
    if (report.Voided) {
      doubtful += AnsiFromUtf8(*report.Voided ? "；客房块已改为过期" : "；客房块改为过期没有成功");
    }
    const std::string result = DoubtfulResult(doubtful);
    // The line reads as the journal does, without its leading "失败，".
    outcome_.Reason = result.substr(AnsiFromUtf8("失败，").size());
    return result;
  }

  DoorlockService& service_;
  const ServiceContext& context_;
  const GuestCardIssue& card_;
  const DateTime start_;
  const std::string roomKey_;
  const bool journaled_;
  IssueOutcome outcome_;
};

}  // namespace

IssueOutcome IssueGuestCard(DoorlockService& service, const GuestCardIssue& card,
                            const std::function<bool()>& clientGone) {
  const ServiceContext& context = service.Context;
  const std::string roomKey = card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo;

  if (!context.SysOption.UseNativeDoorlockDb) {
    CardWrite write(service, card, card.CheckIn);
    if (auto refusal = Refusal(context, card, card.CheckIn, clientGone)) {
      return write.Refuse(*refusal);
    }
    if (!write.Begin()) return write.Outcome();
    return write.Write();
  }

  // Two cards for one room at the same moment must not interleave their store calls: the
  // mutex keeps this process's requests apart, the hold other desks sharing the store.
  MutexLock roomTime(service.RoomTimeMutex);
  const std::unique_ptr<RoomTimes> room = context.RecordStore.HoldRoom(roomKey);
  bool fresh = false;
  const DateTime start = StartFromStore(service, *room, card.IsCopy, fresh);
  CardWrite write(service, card, start);
  // A card that is not written leaves no room time behind.
  if (auto refusal = Refusal(context, card, start, clientGone)) return write.Refuse(*refusal);
  if (!write.Begin()) return write.Outcome();
  if (fresh) room->AddRoom(start);
  IssueOutcome outcome = write.Write();
  if (outcome.Written && !card.IsCopy) room->SetLastCheckInTime(start);
  return outcome;
}

void MarkUnanswered(DoorlockService& service, const IssueOutcome& outcome) {
  if (!outcome.Written || !outcome.RecordId) return;
  service.Context.RecordStore.CompleteIssueCardRecord(
      *outcome.RecordId, std::to_string(outcome.CardNo), UnansweredResult(outcome.CardNo));
}

}  // namespace keydesk
