#include "doorlock/drevan_lift_doorlock.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "doorlock/card_buffers.h"
#include "doorlock/card_read_back.h"
#include "doorlock/drevan_library.h"
#include "doorlock/option.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

const std::string kWriteFailed = AnsiFromUtf8("发卡失败");
const std::string kStampOutOfRange = AnsiFromUtf8("发卡失败, 起始时间超出卡的范围: ");
const std::string kWriteSucceeded = AnsiFromUtf8("发卡成功, 卡号：");
const std::string kLiftFailed = AnsiFromUtf8("电梯失败");
const std::string kLiftSucceeded = AnsiFromUtf8("电梯成功, 控制电梯楼层");
const std::string kPowerSwitchFailed = AnsiFromUtf8("取电失败");
const std::string kPowerSwitchSucceeded = AnsiFromUtf8("取电成功, 取电结束时间: ");
const std::string kReadFailed = AnsiFromUtf8("读卡失败");
const std::string kReadSucceeded = AnsiFromUtf8("读卡成功,卡号为: CardNo = ");
const std::string kReadLiftFailed = AnsiFromUtf8("读取控制电梯失败");
const std::string kReadLiftSucceeded = AnsiFromUtf8("电梯成功, 电梯控制楼层：");
const std::string kReadPowerSwitchFailed = AnsiFromUtf8("读取电失败");
const std::string kReadPowerSwitchSucceeded = AnsiFromUtf8("读取电成功, 取电结束时间: ");
const std::string kReadBackDiffers = AnsiFromUtf8("发卡失败, 写卡后读回不符: ");
const std::string kBlocksDiffer = AnsiFromUtf8("读卡失败, 卡上各块的卡号不一致: ");

// What differs when a block carries another card's number than the guest-room block; empty
// when they agree.
std::string BlockMismatch(int32_t guestRoom, const char* block, int32_t other) {
  if (other == guestRoom) return {};
  return AnsiFromUtf8("客房块 ") + std::to_string(guestRoom) + AnsiFromUtf8("，") +
         AnsiFromUtf8(block) + " " + std::to_string(other);
}

constexpr const char* kZeros = "0000";

// "yymmddhhnn" of the date-time as a number. The ten digits outgrew a signed 32-bit value in
// 2022; as unsigned they last through 2042. Other years either do not fit or would be
// read back as a different century, so they are refused.
std::optional<uint32_t> StartStamp(DateTime begin) {
  const int year = begin.Decode().year;
  if (year < 2000 || year > 2042) return std::nullopt;
  return static_cast<uint32_t>(std::stoull(FormatDateTime("yymmddhhnn", begin)));
}

// The validity text: the date of one value and the time of day of another.
std::string ValidityText(DateTime date, DateTime time) {
  return FormatDateTime("YYMMDD", date) + FormatDateTime("HHNN", time);
}

// Lines noted while the encoder is held and written together once it is free again (the
// lock is declared after this, so it is released first): the encoder is not kept waiting
// on the log file, and the lines keep their order.
class DeferredLog {
 public:
  explicit DeferredLog(TLogFile& log) : log_(log) {}
  ~DeferredLog() { log_.WriteLines(lines_); }
  DeferredLog(const DeferredLog&) = delete;
  DeferredLog& operator=(const DeferredLog&) = delete;

  void Write(std::string line) { lines_.push_back(std::move(line)); }

 private:
  TLogFile& log_;
  std::vector<std::string> lines_;
};

}  // namespace

TDrevanLiftDoorlock::TDrevanLiftDoorlock(const DrevanLibrary& library, const SharedOption& option,
                                         TLogFile& log)
    : library_(library), option_(option), log_(log) {}

// The library takes the port with every call, so there is nothing to open or close.
bool TDrevanLiftDoorlock::OpenPort() { return true; }
bool TDrevanLiftDoorlock::ClosePort() { return true; }

// The lift driver never touches the card to erase it.
bool TDrevanLiftDoorlock::EraseCard() { return true; }

void TDrevanLiftDoorlock::Beep() {
  const TOption option = option_.Get();
  MutexLock lock(deviceMutex_);
  BeepLocked(option);
}

void TDrevanLiftDoorlock::BeepLocked(const TOption& option) {
  library_.Reader_Alarm(option.PortNo(), option.LockTypeCode(), 1);
}

int TDrevanLiftDoorlock::LiftDataCapacity(const TOption& option) {
  const int64_t span = static_cast<int64_t>(option.MaxLiftAddr) - option.EndAddr + 1;
  const int64_t fromOptions = span > 16 ? 2 * (span - 16) : 2 * span;
  return static_cast<int>(std::clamp<int64_t>(fromOptions, kMinLiftDataCapacity, 1 << 20));
}

bool TDrevanLiftDoorlock::WriteCard(const std::string& RegisterId,
                                    const std::string& RoomBuildingCode,
                                    const std::string& RoomFloorCode, const std::string& RoomNo,
                                    const std::string& GuestName, DateTime BeginDate,
                                    DateTime BeginTime, DateTime EndDate, DateTime EndTime,
                                    bool IsCopy, int64_t& CardNo) {
  // Only the room number reaches the card; a copy card is written like any other.
  (void)RegisterId, (void)RoomBuildingCode, (void)RoomFloorCode, (void)IsCopy;
  const TOption option = option_.Get();
  const int32_t port = option.PortNo();
  const int32_t lockType = option.LockTypeCode();
  const auto sector = static_cast<uint8_t>(option.SectorNo);
  const auto powerSwitchSector = static_cast<uint8_t>(option.PowerSwitchSectorNo);

  const std::optional<uint32_t> stamp = StartStamp(BeginDate);
  if (!stamp) {
    log_.Write(kStampOutOfRange + FormatDateTime("yyyy-mm-dd hh:nn", BeginDate));
    return false;
  }

  DeferredLog log(log_);
  MutexLock lock(deviceMutex_);
  const int32_t cardNo = library_.SerialNo_FromNow();
  CardNo = cardNo;

  const std::string validFrom = ValidityText(BeginDate, BeginTime);
  const std::string validTo = ValidityText(EndDate, EndTime);

  const int32_t cardResult = library_.Write_Guest_Card(
      port, lockType, sector, option.HotelPassword.c_str(), cardNo, *stamp, 1, RoomNo.c_str(),
      kZeros, option.PubDoor.c_str(), validFrom.c_str(), validTo.c_str());
  if (cardResult != 0) {
    log.Write(kWriteFailed + std::to_string(cardResult));
    return false;
  }
  log.Write(kWriteSucceeded + std::to_string(CardNo));

  const int32_t liftResult =
      library_.Write_Guest_Lift(port, lockType, sector, option.HotelPassword.c_str(), cardNo,
                                option.BeginAddr, option.EndAddr, option.MaxLiftAddr,
                                validFrom.c_str(), validTo.c_str(), option.LiftData.c_str());
  if (liftResult != 0) {
    log.Write(kLiftFailed + std::to_string(liftResult));
    return false;
  }
  log.Write(kLiftSucceeded);

  int32_t powerSwitchResult = 0;
  const int32_t switchType = option.PowerSwitchTypeCode();
  switch (switchType) {
    case 1:
      powerSwitchResult = library_.Write_Guest_PowerSwitch(
          port, lockType, powerSwitchSector, option.PowerSwitchPassword.c_str(), cardNo, 1,
          RoomNo.c_str(), GuestName.c_str(), validFrom.c_str(), validTo.c_str(), switchType);
      break;
    case 2:
      powerSwitchResult = library_.Write_Guest_PowerSwitch(
          port, lockType, powerSwitchSector, option.PowerSwitchPassword.c_str(), 1, 0,
          RoomNo.c_str(), nullptr, nullptr, validTo.c_str(), switchType);
      break;
    default:  // no power switch configured: nothing to write
      break;
  }
  if (powerSwitchResult != 0) {
    log.Write(kPowerSwitchFailed + std::to_string(powerSwitchResult));
    return false;
  }

  // Before the beep, which tells the desk that the card is good.
  if (option.VerifyAfterWrite) {
    const WrittenCard written{cardNo, RoomNo, validFrom, validTo, option.LiftData, switchType};
    if (const auto difference = ReadBackDifference(library_, option, written)) {
      log.Write(kReadBackDiffers + *difference);
      return false;
    }
  }

  BeepLocked(option);
  log.Write(kPowerSwitchSucceeded + validTo);
  return true;
}

bool TDrevanLiftDoorlock::ReadCard(int64_t& CardNo) {
  TCardDetails ignored;
  return ReadCardDetails(CardNo, ignored);
}

bool TDrevanLiftDoorlock::ReadCardDetails(int64_t& CardNo, TCardDetails& Details) {
  const TOption option = option_.Get();
  const int32_t port = option.PortNo();
  const int32_t lockType = option.LockTypeCode();
  const auto sector = static_cast<uint8_t>(option.SectorNo);

  // The three reads share the room, validity and card-number outputs, as the library
  // expects; a later read overwrites what an earlier one left.
  std::vector<char> room = Buffer(kRoomCapacity);
  std::vector<char> zeros = Buffer(kZerosCapacity);
  std::vector<char> pubDoor = Buffer(kPubDoorCapacity);
  std::vector<char> validFrom = Buffer(kValidityCapacity);
  std::vector<char> validTo = Buffer(kValidityCapacity);
  std::vector<char> powerSwitchText = Buffer(kPowerSwitchTextCapacity);
  std::vector<char> liftData = Buffer(static_cast<size_t>(LiftDataCapacity(option)));
  int32_t cardNo = 0;
  uint32_t stamp = 0;
  int32_t one = 0;
  int32_t flag = 0;

  DeferredLog log(log_);
  MutexLock lock(deviceMutex_);
  const int16_t cardResult = library_.Read_Guest_Card(
      port, lockType, sector, option.HotelPassword.c_str(), &cardNo, &stamp, &one, room.data(),
      zeros.data(), pubDoor.data(), validFrom.data(), validTo.data());
  if (cardResult != 0) {
    log.Write(kReadFailed + std::to_string(cardResult));
    return false;
  }
  CardNo = cardNo;
  // Taken now: the lift and power-switch reads overwrite the shared outputs.
  Details = {Text(room), Text(validFrom), Text(validTo), {}};
  log.Write(kReadSucceeded + std::to_string(CardNo));

  const int32_t guestRoomCardNo = cardNo;
  const int16_t liftResult = library_.Read_Guest_Lift(
      port, lockType, sector, option.HotelPassword.c_str(), option.BeginAddr, option.EndAddr,
      &cardNo, validFrom.data(), validTo.data(), liftData.data());
  if (liftResult != 0) {
    log.Write(kReadLiftFailed + std::to_string(liftResult));
    return false;
  }
  // A card whose lift block is an older card's (the new card's lift write failed) opens
  // floors that card was given: not the card the guest-room block says.
  Details.Inconsistency = BlockMismatch(guestRoomCardNo, "电梯块", cardNo);
  if (!Details.Inconsistency.empty()) {
    log.Write(kBlocksDiffer + Details.Inconsistency);
    return false;
  }
  log.Write(kReadLiftSucceeded + Text(liftData));

  const int16_t powerSwitchResult = library_.Read_Guest_PowerSwitch(
      port, lockType, static_cast<uint8_t>(option.PowerSwitchSectorNo),
      option.PowerSwitchPassword.c_str(), &cardNo, &flag, room.data(), powerSwitchText.data(),
      validFrom.data(), validTo.data(), option.PowerSwitchTypeCode());
  if (powerSwitchResult != 0) {
    log.Write(kReadPowerSwitchFailed);
    return false;
  }
  // Only the first power-switch model writes the card number into its block.
  if (option.PowerSwitchTypeCode() == 1) {
    Details.Inconsistency = BlockMismatch(guestRoomCardNo, "取电块", cardNo);
    if (!Details.Inconsistency.empty()) {
      log.Write(kBlocksDiffer + Details.Inconsistency);
      return false;
    }
  }
  log.Write(kReadPowerSwitchSucceeded + Text(validTo));
  return true;
}

}  // namespace keydesk
