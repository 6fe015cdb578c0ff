#include "kinds/doorlock/guest_card_issue.h"

#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "platform/clock.h"
#include "platform/mutex.h"
#include "store/doorlock_record_manager.h"

namespace keydesk {
namespace {

constexpr int32_t kGuestCardType = 1;

// The start of a card issued with the record store in use: now less DelayMinutes for a
// normal card, the room's last check-in time for a copy (recording a fresh one for a room
// never seen).
DateTime StartFromStore(DoorlockService& service, const std::string& roomKey, bool isCopy)
    REQUIRES(service.RoomTimeMutex) {
  const ServiceContext& context = service.Context;
  const DateTime freshStart =
      context.LocalClock.Now().AddMinutes(-int64_t{context.SysOption.DelayMinutes});
  if (!isCopy) return freshStart;
  const DateTime last = context.RecordStore.GetLastCheckInTime(roomKey);
  if (!last.IsZero()) return last;
  context.RecordStore.AddRoom(roomKey, freshStart);
  return freshStart;
}

bool WriteCard(DoorlockService& service, const GuestCardIssue& card, DateTime start,
               int64_t& CardNo) {
  TBaseDoorlock* doorlock = service.Doorlock;
  return doorlock != nullptr &&
         doorlock->WriteCard(card.RegisterId, card.RoomBuildingCode, card.RoomFloorCode,
                             card.RoomNo, card.GuestName, start, start, card.CheckOut,
                             card.CheckOut, card.IsCopy, CardNo);
}

}  // namespace

bool IssueGuestCard(DoorlockService& service, const GuestCardIssue& card, int64_t& CardNo) {
  const ServiceContext& context = service.Context;
  const TSysOption& options = context.SysOption;
  const std::string roomKey = card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo;

  bool written = false;
  DateTime start = card.CheckIn;
  if (options.UseNativeDoorlockDb) {
    // Two cards for one room at the same moment must not interleave their store calls.
    MutexLock roomTime(service.RoomTimeMutex);
    start = StartFromStore(service, roomKey, card.IsCopy);
    written = WriteCard(service, card, start, CardNo);
    if (written && !card.IsCopy) context.RecordStore.SetLastCheckInTime(roomKey, start);
  } else {
    written = WriteCard(service, card, start, CardNo);
  }

  if (options.SaveDoorlockRecord) {
    context.RecordStore.AddIssueCardRecord(card.RegisterId, std::to_string(CardNo), roomKey,
                                           kGuestCardType, start, card.CheckIn, card.CheckOut,
                                           card.IsCopy, card.GuestName, context.LocalClock.Now());
  }
  return written;
}

}  // namespace keydesk
