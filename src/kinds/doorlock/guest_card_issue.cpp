#include "kinds/doorlock/guest_card_issue.h"

#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/doorlock_service.h"
#include "platform/clock.h"
#include "platform/mutex.h"
#include "store/record_store.h"

namespace keydesk {
namespace {

constexpr int32_t kGuestCardType = 1;

// The start of a card issued with the record store in use: now less DelayMinutes for a
// normal card, the room's last check-in time for a copy (recording a fresh one for a room
// never seen).
DateTime StartFromStore(DoorlockService& service, RoomTimes& room, bool isCopy)
    REQUIRES(service.RoomTimeMutex) {
  const ServiceContext& context = service.Context;
  const DateTime freshStart =
      context.LocalClock.Now().AddMinutes(-int64_t{context.SysOption.DelayMinutes});
  if (!isCopy) return freshStart;
  const DateTime last = room.GetLastCheckInTime();
  if (!last.IsZero()) return last;
  room.AddRoom(freshStart);
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
    // Two cards for one room at the same moment must not interleave their store calls: the
    // mutex keeps this process's requests apart, the hold other desks sharing the store.
    // The hold ends with the block, before the journal row.
    MutexLock roomTime(service.RoomTimeMutex);
    const std::unique_ptr<RoomTimes> room = context.RecordStore.HoldRoom(roomKey);
    start = StartFromStore(service, *room, card.IsCopy);
    written = WriteCard(service, card, start, CardNo);
    if (written && !card.IsCopy) room->SetLastCheckInTime(start);
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
