#include "doorlock/card_read_back.h"

#include <vector>

#include "doorlock/card_buffers.h"
#include "doorlock/drevan_library.h"
#include "doorlock/option.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

// "<what>: 写入 <written>, 读回 <read>", or none when they are equal.
std::optional<std::string> Differs(const char* whatUtf8, const std::string& written,
                                   const std::string& read) {
  if (written == read) return std::nullopt;
  return AnsiFromUtf8(std::string(whatUtf8) + ": 写入 ") + written + AnsiFromUtf8(", 读回 ") + read;
}

std::optional<std::string> FirstOf(std::initializer_list<std::optional<std::string>> checks) {
  for (const auto& check : checks) {
    if (check) return check;
  }
  return std::nullopt;
}

std::string Failed(const char* functionName, int result) {
  return AnsiFromUtf8(std::string("读回失败: ") + functionName + " " + std::to_string(result));
}

}  // namespace

std::optional<std::string> ReadBackDifference(const DrevanLibrary& library, const TOption& option,
                                              const WrittenCard& card) {
  const int32_t port = option.PortNo();
  const int32_t lockType = option.LockTypeCode();
  const auto sector = static_cast<uint8_t>(option.SectorNo);
  const std::string cardNo = std::to_string(card.CardNo);
  // The block holds no more of the room than its read buffer.
  const std::string room = card.RoomNo.substr(0, kRoomCapacity);

  std::vector<char> roomRead = Buffer(kRoomCapacity);
  std::vector<char> zeros = Buffer(kZerosCapacity);
  std::vector<char> pubDoor = Buffer(kPubDoorCapacity);
  std::vector<char> validFrom = Buffer(kValidityCapacity);
  std::vector<char> validTo = Buffer(kValidityCapacity);
  int32_t cardNoRead = 0;
  uint32_t stamp = 0;
  int32_t one = 0;
  const int16_t guestResult = library.Read_Guest_Card(
      port, lockType, sector, option.HotelPassword.c_str(), &cardNoRead, &stamp, &one,
      roomRead.data(), zeros.data(), pubDoor.data(), validFrom.data(), validTo.data());
  if (guestResult != 0) return Failed("Read_Guest_Card", guestResult);
  if (auto difference = FirstOf({Differs("卡号", cardNo, std::to_string(cardNoRead)),
                                 Differs("房间", room, Text(roomRead)),
                                 Differs("有效期开始", card.ValidFrom, Text(validFrom)),
                                 Differs("有效期结束", card.ValidTo, Text(validTo))})) {
    return difference;
  }

  std::vector<char> liftFrom = Buffer(kValidityCapacity);
  std::vector<char> liftTo = Buffer(kValidityCapacity);
  const auto liftCapacity =
      static_cast<size_t>(std::max<int64_t>(card.LiftData.size(), kValidityCapacity) + 512);
  std::vector<char> liftData = Buffer(liftCapacity);
  int32_t liftCardNo = 0;
  const int16_t liftResult = library.Read_Guest_Lift(
      port, lockType, sector, option.HotelPassword.c_str(), option.BeginAddr, option.EndAddr,
      &liftCardNo, liftFrom.data(), liftTo.data(), liftData.data());
  if (liftResult != 0) return Failed("Read_Guest_Lift", liftResult);
  if (auto difference = FirstOf({Differs("电梯卡号", cardNo, std::to_string(liftCardNo)),
                                 Differs("电梯有效期开始", card.ValidFrom, Text(liftFrom)),
                                 Differs("电梯有效期结束", card.ValidTo, Text(liftTo)),
                                 Differs("电梯控制楼层", card.LiftData, Text(liftData))})) {
    return difference;
  }

  if (card.PowerSwitchType != 1 && card.PowerSwitchType != 2) return std::nullopt;
  std::vector<char> switchRoom = Buffer(kRoomCapacity);
  std::vector<char> switchText = Buffer(kPowerSwitchTextCapacity);
  std::vector<char> switchFrom = Buffer(kValidityCapacity);
  std::vector<char> switchTo = Buffer(kValidityCapacity);
  int32_t switchCardNo = 0;
  int32_t flag = 0;
  const int16_t switchResult = library.Read_Guest_PowerSwitch(
      port, lockType, static_cast<uint8_t>(option.PowerSwitchSectorNo),
      option.PowerSwitchPassword.c_str(), &switchCardNo, &flag, switchRoom.data(),
      switchText.data(), switchFrom.data(), switchTo.data(), card.PowerSwitchType);
  if (switchResult != 0) return Failed("Read_Guest_PowerSwitch", switchResult);
  // The second layout carries neither the card number nor the start.
  if (card.PowerSwitchType == 1) {
    if (auto difference = FirstOf({Differs("取电卡号", cardNo, std::to_string(switchCardNo)),
                                   Differs("取电有效期开始", card.ValidFrom, Text(switchFrom))})) {
      return difference;
    }
  }
  return FirstOf({Differs("取电房间", room, Text(switchRoom)),
                  Differs("取电有效期结束", card.ValidTo, Text(switchTo))});
}

}  // namespace keydesk
