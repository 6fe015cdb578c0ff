#include "doorlock/doorlock_test_actions.h"

#include <mutex>

#include "app/app_context.h"
#include "app/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "platform/clock.h"
#include "service/doorlock_record_manager.h"

namespace keydesk {
namespace {

constexpr int32_t kGuestCardType = 1;

}  // namespace

std::string DoorlockTestActions::DefaultCheckIn() const {
  return FormatDateTime(kDateTimePattern, context_.LocalClock.Now().AddHours(-1));
}

std::string DoorlockTestActions::DefaultCheckOut() const {
  return FormatDateTime(kDateTimePattern, context_.LocalClock.Now().AddDays(2));
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

DateTime DoorlockTestActions::CardStart(const std::string& roomKey, DateTime checkIn, bool isCopy) {
  const TSysOption& options = context_.SysOption;
  if (!options.UseNativeDoorlockDb) return checkIn;
  const DateTime freshStart = context_.LocalClock.Now().AddMinutes(-options.DelayMinutes);
  if (!isCopy) return freshStart;
  const DateTime last = context_.RecordStore.GetLastCheckInTime(roomKey);
  if (!last.IsZero()) return last;
  context_.RecordStore.AddRoom(roomKey, freshStart);
  return freshStart;
}

bool DoorlockTestActions::WriteCard(const TestCardEntries& entries, int64_t& CardNo) {
  const std::string roomKey = entries.RoomBuildingCode + entries.RoomFloorCode + entries.RoomNo;
  const DateTime checkIn = StrToDateTime(entries.CheckIn);
  const DateTime checkOut = StrToDateTime(entries.CheckOut);
  const TSysOption& options = context_.SysOption;
  const std::string registerId;

  bool written = false;
  DateTime start;
  {
    std::unique_lock roomTime(context_.RoomTimeMutex, std::defer_lock);
    if (options.UseNativeDoorlockDb) roomTime.lock();
    start = CardStart(roomKey, checkIn, entries.IsCopy);
    TBaseDoorlock* doorlock = context_.Doorlock.load();
    written = doorlock != nullptr &&
              doorlock->WriteCard(registerId, entries.RoomBuildingCode, entries.RoomFloorCode,
                                  entries.RoomNo, kGuestName, start, start, checkOut, checkOut,
                                  entries.IsCopy, CardNo);
    if (written && options.UseNativeDoorlockDb && !entries.IsCopy) {
      context_.RecordStore.SetLastCheckInTime(roomKey, start);
    }
  }

  if (options.SaveDoorlockRecord) {
    context_.RecordStore.AddIssueCardRecord(registerId, std::to_string(CardNo), roomKey,
                                            kGuestCardType, start, checkIn, checkOut,
                                            entries.IsCopy, kGuestName, context_.LocalClock.Now());
  }
  return written;
}

}  // namespace keydesk
