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
const std::string kVoided = AnsiFromUtf8("客房块已改为过期, 卡号：");
const std::string kVoidFailed = AnsiFromUtf8("客房块改为过期失败, 卡号：");

// A validity that ended long ago, and its start stamp ("yymmddhhnn" of 2000-01-01 00:00): a
// card that holds it opens no door, and its stamp shuts out no other card.
constexpr const char* kVoidFrom = "0001010000";
constexpr const char* kVoidTo = "0001010001";
constexpr uint32_t kVoidStamp = 1010000;

// The reasons a write or read failed, for the clerk: the step and the library's code.
std::string StepFailed(const char* stepUtf8, int64_t code) {
  return AnsiFromUtf8(std::string(stepUtf8) + "（代码 ") + std::to_string(code) +
         AnsiFromUtf8("）");
}

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
  TWriteReport report;
  return WriteCardReported(RegisterId, RoomBuildingCode, RoomFloorCode, RoomNo, GuestName,
                           BeginDate, BeginTime, EndDate, EndTime, IsCopy, CardNo, report);
}

bool TDrevanLiftDoorlock::WriteCardReported(const std::string& RegisterId,
                                            const std::string& RoomBuildingCode,
                                            const std::string& RoomFloorCode,
                                            const std::string& RoomNo, const std::string& GuestName,
                                            DateTime BeginDate, DateTime BeginTime,
                                            DateTime EndDate, DateTime EndTime, bool IsCopy,
                                            int64_t& CardNo, TWriteReport& Report) {
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
    Report.Failure =
        AnsiFromUtf8("起始时间超出卡的范围：") + FormatDateTime("yyyy-mm-dd hh:nn", BeginDate);
    return false;
  }

  DeferredLog log(log_);
  MutexLock lock(deviceMutex_);
  const int32_t cardNo = library_.SerialNo_FromNow();
  CardNo = cardNo;
  if (Report.BeforeWrite && !Report.BeforeWrite(CardNo)) return false;

  const std::string validFrom = ValidityText(BeginDate, BeginTime);
  const std::string validTo = ValidityText(EndDate, EndTime);

  const int32_t cardResult = library_.Write_Guest_Card(
      port, lockType, sector, option.HotelPassword.c_str(), cardNo, *stamp, 1, RoomNo.c_str(),
      kZeros, option.PubDoor.c_str(), validFrom.c_str(), validTo.c_str());
  if (cardResult != 0) {
    log.Write(kWriteFailed + std::to_string(cardResult));
    Report.Failure = StepFailed("写客房块失败", cardResult);
    return false;
  }
  log.Write(kWriteSucceeded + std::to_string(CardNo));

  // From here on the card holds a guest-room block that opens the room: a later failure
  // leaves a card that must not be handed out, so it is voided where the library lets us.
  auto leftOnEncoder = [&](std::string failure) {
    deviceMutex_.AssertHeld();  // called only below, within the lock
    Report.Failure = std::move(failure);
    Report.CardLeft = true;
    std::string line;
    Report.Voided = VoidGuestRoomBlock(option, cardNo, RoomNo, line);
    log.Write(std::move(line));
    return false;
  };

  const int32_t liftResult =
      library_.Write_Guest_Lift(port, lockType, sector, option.HotelPassword.c_str(), cardNo,
                                option.BeginAddr, option.EndAddr, option.MaxLiftAddr,
                                validFrom.c_str(), validTo.c_str(), option.LiftData.c_str());
  if (liftResult != 0) {
    log.Write(kLiftFailed + std::to_string(liftResult));
    return leftOnEncoder(StepFailed("写电梯块失败", liftResult));
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
    return leftOnEncoder(StepFailed("写取电块失败", powerSwitchResult));
  }

  // Before the beep, which tells the desk that the card is good.
  if (option.VerifyAfterWrite) {
    const WrittenCard written{cardNo, RoomNo, validFrom, validTo, option.LiftData, switchType};
    if (const auto difference = ReadBackDifference(library_, option, written)) {
      log.Write(kReadBackDiffers + *difference);
      return leftOnEncoder(AnsiFromUtf8("写卡后读回不符：") + *difference);
    }
  }

  BeepLocked(option);
  log.Write(kPowerSwitchSucceeded + validTo);
  return true;
}

bool TDrevanLiftDoorlock::VoidGuestRoomBlock(const TOption& option, int32_t cardNo,
                                             const std::string& RoomNo, std::string& line) {
  const int32_t port = option.PortNo();
  const int32_t lockType = option.LockTypeCode();
  const auto sector = static_cast<uint8_t>(option.SectorNo);
  const int32_t written = library_.Write_Guest_Card(
      port, lockType, sector, option.HotelPassword.c_str(), cardNo, kVoidStamp, 1, RoomNo.c_str(),
      kZeros, option.PubDoor.c_str(), kVoidFrom, kVoidTo);
  if (written != 0) {
    line = kVoidFailed + std::to_string(cardNo) + " " + std::to_string(written);
    return false;
  }
  // A card that was written wrongly once may be written wrongly again: believe only what
  // reads back.
  std::vector<char> room = Buffer(kRoomCapacity);
  std::vector<char> zeros = Buffer(kZerosCapacity);
  std::vector<char> pubDoor = Buffer(kPubDoorCapacity);
  std::vector<char> validFrom = Buffer(kValidityCapacity);
  std::vector<char> validTo = Buffer(kValidityCapacity);
  int32_t cardNoRead = 0;
  uint32_t stamp = 0;
  int32_t one = 0;
  const int16_t read = library_.Read_Guest_Card(
      port, lockType, sector, option.HotelPassword.c_str(), &cardNoRead, &stamp, &one, room.data(),
      zeros.data(), pubDoor.data(), validFrom.data(), validTo.data());
  const bool voided = read == 0 && cardNoRead == cardNo && Text(validTo) == kVoidTo;
  line = (voided ? kVoided : kVoidFailed) + std::to_string(cardNo);
  return voided;
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
    Details.Failure = StepFailed("读客房块失败", cardResult);
    return false;
  }
  CardNo = cardNo;
  // Taken now: the lift and power-switch reads overwrite the shared outputs.
  Details = {Text(room), Text(validFrom), Text(validTo), {}, {}};
  log.Write(kReadSucceeded + std::to_string(CardNo));

  const int32_t guestRoomCardNo = cardNo;
  const int16_t liftResult = library_.Read_Guest_Lift(
      port, lockType, sector, option.HotelPassword.c_str(), option.BeginAddr, option.EndAddr,
      &cardNo, validFrom.data(), validTo.data(), liftData.data());
  if (liftResult != 0) {
    log.Write(kReadLiftFailed + std::to_string(liftResult));
    Details.Failure = StepFailed("读电梯块失败", liftResult);
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
    Details.Failure = StepFailed("读取电块失败", powerSwitchResult);
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
