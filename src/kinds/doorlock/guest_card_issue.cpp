#include "kinds/doorlock/guest_card_issue.h"

#include <mutex>

#include "kinds/service_context.h"
#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "platform/clock.h"
#include "store/doorlock_record_manager.h"

namespace keydesk {
namespace {

constexpr int32_t kGuestCardType = 1;

// The card's start; requires RoomTimeMutex when the record store is in use.
DateTime CardStart(AppContext& context, const std::string& roomKey, const GuestCardIssue& card) {
  const TSysOption& options = context.SysOption;
  if (!options.UseNativeDoorlockDb) return card.CheckIn;
  const DateTime freshStart = context.LocalClock.Now().AddMinutes(-int64_t{options.DelayMinutes});
  if (!card.IsCopy) return freshStart;
  const DateTime last = context.RecordStore.GetLastCheckInTime(roomKey);
  if (!last.IsZero()) return last;
  context.RecordStore.AddRoom(roomKey, freshStart);
  return freshStart;
}

}  // namespace

bool IssueGuestCard(AppContext& context, const GuestCardIssue& card, int64_t& CardNo) {
  const TSysOption& options = context.SysOption;
  const std::string roomKey = card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo;

  bool written = false;
  DateTime start;
  {
    // Two cards for one room at the same moment must not interleave their store calls.
    std::unique_lock roomTime(context.RoomTimeMutex, std::defer_lock);
    if (options.UseNativeDoorlockDb) roomTime.lock();
    start = CardStart(context, roomKey, card);
    TBaseDoorlock* doorlock = context.Doorlock.load();
    written = doorlock != nullptr &&
              doorlock->WriteCard(card.RegisterId, card.RoomBuildingCode, card.RoomFloorCode,
                                  card.RoomNo, card.GuestName, start, start, card.CheckOut,
                                  card.CheckOut, card.IsCopy, CardNo);
    if (written && options.UseNativeDoorlockDb && !card.IsCopy) {
      context.RecordStore.SetLastCheckInTime(roomKey, start);
    }
  }

  if (options.SaveDoorlockRecord) {
    context.RecordStore.AddIssueCardRecord(card.RegisterId, std::to_string(CardNo), roomKey,
                                           kGuestCardType, start, card.CheckIn, card.CheckOut,
                                           card.IsCopy, card.GuestName, context.LocalClock.Now());
  }
  return written;
}

}  // namespace keydesk
