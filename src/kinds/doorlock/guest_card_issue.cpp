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

bool WriteCard(DoorlockService& service, const GuestCardIssue& card, DateTime start,
               int64_t& CardNo) {
  TBaseDoorlock* doorlock = service.Doorlock;
  if (doorlock == nullptr) return false;
  const bool written =
      doorlock->WriteCard(card.RegisterId, card.RoomBuildingCode, card.RoomFloorCode, card.RoomNo,
                          CardGuestName(card.GuestName), start, start, card.CheckOut, card.CheckOut,
                          card.IsCopy, CardNo);
  service.Context.Status.EncoderCalled(written);
  return written;
}

// Says why the card is not written; true when it may be.
bool MayWrite(const ServiceContext& context, const GuestCardIssue& card, DateTime start,
              std::string* refusal) {
  std::optional<std::string> reason = IssueRefusal(card, start);
  if (!reason) return true;
  context.Log.Write(AnsiFromUtf8("拒绝发卡：") + *reason);
  *refusal = std::move(*reason);
  return false;
}

// What the journal says came of the attempt.
std::string IssueResultText(bool written, const std::string& refused, bool hasDriver) {
  if (written) return AnsiFromUtf8("成功");
  if (!refused.empty()) return AnsiFromUtf8("拒绝：") + refused;
  return AnsiFromUtf8("失败：") + IssueFailureReason(refused, hasDriver);
}

}  // namespace

std::string IssueFailureReason(const std::string& refused, bool hasDriver) {
  if (!refused.empty()) return refused;
  if (!hasDriver) return AnsiFromUtf8("没有发卡器");
  return AnsiFromUtf8("发卡器没有写成，原因见当天日志");
}

bool IssueGuestCard(DoorlockService& service, const GuestCardIssue& card, int64_t& CardNo,
                    std::string* refusal) {
  const ServiceContext& context = service.Context;
  const TSysOption& options = context.SysOption;
  const std::string roomKey = card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo;

  bool written = false;
  std::string refused;
  DateTime start = card.CheckIn;
  if (options.UseNativeDoorlockDb) {
    // Two cards for one room at the same moment must not interleave their store calls: the
    // mutex keeps this process's requests apart, the hold other desks sharing the store.
    // The hold ends with the block, before the journal row.
    MutexLock roomTime(service.RoomTimeMutex);
    const std::unique_ptr<RoomTimes> room = context.RecordStore.HoldRoom(roomKey);
    bool fresh = false;
    start = StartFromStore(service, *room, card.IsCopy, fresh);
    // A card that is not written leaves no room time behind.
    if (MayWrite(context, card, start, &refused)) {
      if (fresh) room->AddRoom(start);
      written = WriteCard(service, card, start, CardNo);
      if (written && !card.IsCopy) room->SetLastCheckInTime(start);
    }
  } else if (MayWrite(context, card, start, &refused)) {
    written = WriteCard(service, card, start, CardNo);
  }
  if (refusal != nullptr) *refusal = refused;

  if (options.SaveDoorlockRecord) {
    context.RecordStore.AddIssueCardRecord(
        card.RegisterId, std::to_string(CardNo), roomKey, kGuestCardType, start, card.CheckIn,
        card.CheckOut, card.IsCopy, card.GuestName, context.LocalClock.Now(),
        IssueResultText(written, refused, service.Doorlock != nullptr));
  }
  return written;
}

}  // namespace keydesk
