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
  const DateTime freshStart = CardStartFor(context.SysOption, context.LocalClock.Now());
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
                                   DateTime start, const EncoderRequest& request) {
  std::optional<std::string> reason = IssueRefusal(card, start);
  if (!reason && request.ClientGone && request.ClientGone()) {
    reason = AnsiFromUtf8("PMS 已断开，没有写卡");
  }
  if (reason) context.Log.Write(AnsiFromUtf8("拒绝发卡：") + *reason);
  return reason;
}

// What a write came to, for the clerk (Reason) and the journal (Result).
struct WriteVerdict {
  std::string Reason;  // empty when written
  std::string Result;
  bool CardLeft = false;
};

std::string JournalFailureReason(const std::string& error) {
  return AnsiFromUtf8("发卡记录无法写入，没有写卡：") + error;
}

WriteVerdict Verdict(bool written, bool journalFailed, const TWriteReport& report) {
  if (written) return {{}, WrittenResult(), false};
  if (journalFailed) {
    const std::string reason = JournalFailureReason(AnsiFromUtf8("卡号写不进发卡记录"));
    return {reason, FailedResult(reason), false};
  }
  const std::string failure =
      report.Failure.empty() ? AnsiFromUtf8("发卡器没有写成") : report.Failure;
  if (!report.CardLeft) return {failure, FailedResult(failure), false};
  std::string doubtful = failure;
  if (report.Voided) {
    doubtful += AnsiFromUtf8(*report.Voided ? "；客房块已改为过期" : "；客房块改为过期没有成功");
  }
  const std::string result = DoubtfulResult(doubtful);
  // The line reads as the journal does, without its leading "失败，".
  return {result.substr(AnsiFromUtf8("失败，").size()), result, true};
}

// The write on the encoder's thread: the card named in its journal row before anything is
// written to it, the write, and the row completed. A write given up on (the encoder did not
// answer in time) was answered as failed: a card written all the same is one the PMS does
// not know of, and its row says so.
class WriteJob final : public EncoderJob {
 public:
  WriteJob(TBaseDoorlock& driver, RecordStore& store, const GuestCardIssue& card, DateTime start,
           std::optional<int64_t> recordId)
      : driver_(driver), store_(store), card_(card), start_(start), recordId_(recordId) {}

  void Call() override {
    TWriteReport report;
    report.BeforeWrite = [this](int64_t cardNo) {
      if (!recordId_ ||
          store_.CompleteIssueCardRecord(*recordId_, std::to_string(cardNo), WritingResult())) {
        return true;
      }
      JournalFailed = true;
      return false;
    };
    Written =
        driver_.WriteCardReported(card_.RegisterId, card_.RoomBuildingCode, card_.RoomFloorCode,
                                  card_.RoomNo, CardGuestName(card_.GuestName), start_, start_,
                                  card_.CheckOut, card_.CheckOut, card_.IsCopy, CardNo, report);
    // A card the journal stopped never reached the encoder: it has no number to show.
    if (JournalFailed) CardNo = 0;
    Outcome = Verdict(Written, JournalFailed, report);
    if (recordId_) {
      store_.CompleteIssueCardRecord(*recordId_, std::to_string(CardNo), Outcome.Result);
    }
  }

  void Abandoned() override {
    if (recordId_ && Written) {
      store_.CompleteIssueCardRecord(*recordId_, std::to_string(CardNo), UnansweredResult(CardNo));
    }
  }

  // Read by the caller once Call has returned in time.
  bool Written = false;
  bool JournalFailed = false;
  int64_t CardNo = 0;
  WriteVerdict Outcome;

 private:
  TBaseDoorlock& driver_;
  RecordStore& store_;
  const GuestCardIssue card_;
  const DateTime start_;
  const std::optional<int64_t> recordId_;
};

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
    if (!outcome_.RecordId) {
      // The store has logged its error just before; the log says what came of it.
      context_.Log.Write(AnsiFromUtf8("发卡记录无法写入，没有写卡"));
      outcome_.Reason = JournalFailureReason(error);
    }
    return outcome_.RecordId.has_value();
  }

  // What came of it so far.
  const IssueOutcome& Outcome() const { return outcome_; }

  // Writes the card in its turn at the encoder and completes its row.
  IssueOutcome Write(const EncoderRequest& request) {
    if (service_.Encoder == nullptr) {
      outcome_.Reason = AnsiFromUtf8("没有发卡器");
      Complete(FailedResult(outcome_.Reason));
      return outcome_;
    }
    const auto job = std::make_shared<WriteJob>(service_.Encoder->Driver(), context_.RecordStore,
                                                card_, start_, outcome_.RecordId);
    if (const std::optional<EncoderRefusal> refusal = service_.Encoder->Run(request, job)) {
      outcome_.Reason = refusal->Reason;
      if (refusal->What == EncoderRefusal::Kind::Stuck) {
        // The write goes on; its row is completed when it comes back.
        context_.Log.Write(refusal->Reason + AnsiFromUtf8("，不知道卡是否写好"));
        return outcome_;
      }
      if (refusal->What == EncoderRefusal::Kind::Gone) {
        outcome_.Reason = AnsiFromUtf8("PMS 已断开，没有写卡");
      }
      context_.Log.Write(AnsiFromUtf8("没有写卡：") + outcome_.Reason);
      Complete(RefusedResult(outcome_.Reason));
      return outcome_;
    }
    outcome_.Written = job->Written;
    outcome_.CardNo = job->CardNo;
    outcome_.Reason = job->Outcome.Reason;
    outcome_.CardLeft = job->Outcome.CardLeft;
    // A write the journal stopped never reached the card.
    if (!job->JournalFailed) context_.Status.EncoderCalled(outcome_.Written);
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

  void Complete(const std::string& result) {
    if (outcome_.RecordId) {
      context_.RecordStore.CompleteIssueCardRecord(*outcome_.RecordId, "0", result);
    }
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

DateTime CardStartFor(const TSysOption& options, DateTime moment) {
  // Widened before it is negated.
  return moment.AddMinutes(-int64_t{options.DelayMinutes});
}

DateTime CardEndFor(const TSysOption& options, DateTime checkOut) {
  return checkOut.AddMinutes(options.DelayMinutes2);
}

IssueOutcome IssueGuestCard(DoorlockService& service, const GuestCardIssue& card,
                            const EncoderRequest& given) {
  const ServiceContext& context = service.Context;
  const std::string roomKey = card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo;
  // The clerk sees which card is being cut, so that no one lifts it half written.
  EncoderRequest request = given;
  request.Doing = AnsiFromUtf8("正在写卡：房间 ") + roomKey +
                  (card.GuestName.empty() ? "" : " " + card.GuestName) +
                  AnsiFromUtf8("，请勿移开卡片");
  // A first look at the client before anything may keep the card waiting: one that shut its
  // side as it sent is seen to have done so at once, and is not taken for one that gave up.
  if (request.ClientGone) request.ClientGone();

  if (!context.SysOption.UseNativeDoorlockDb) {
    CardWrite write(service, card, card.CheckIn);
    if (auto refusal = Refusal(context, card, card.CheckIn, request)) {
      return write.Refuse(*refusal);
    }
    if (!write.Begin()) return write.Outcome();
    return write.Write(request);
  }

  // Two cards for one room at the same moment must not interleave their store calls: the
  // mutex keeps this process's requests apart, the hold other desks sharing the store.
  MutexLock roomTime(service.RoomTimeMutex);
  const std::unique_ptr<RoomTimes> room = context.RecordStore.HoldRoom(roomKey);
  bool fresh = false;
  const DateTime start = StartFromStore(service, *room, card.IsCopy, fresh);
  CardWrite write(service, card, start);
  // A card that is not written leaves no room time behind.
  if (auto refusal = Refusal(context, card, start, request)) return write.Refuse(*refusal);
  if (!write.Begin()) return write.Outcome();
  if (fresh) room->AddRoom(start);
  IssueOutcome outcome = write.Write(request);
  if (outcome.Written && !card.IsCopy) room->SetLastCheckInTime(start);
  return outcome;
}

void MarkUnanswered(DoorlockService& service, const IssueOutcome& outcome) {
  if (!outcome.Written || !outcome.RecordId) return;
  service.Context.RecordStore.CompleteIssueCardRecord(
      *outcome.RecordId, std::to_string(outcome.CardNo), UnansweredResult(outcome.CardNo));
}

}  // namespace keydesk
