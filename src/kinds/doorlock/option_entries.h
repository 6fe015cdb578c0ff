#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/box_message.h"
#include "doorlock/option.h"

namespace keydesk {

// The door lock options as the options dialog shows and takes them: every field as the
// text of its control, code page 936.
struct TOptionEntries {
  std::string PortName;
  std::string LockTypeName;
  std::string PowerSwitchTypeName;
  std::string SectorNo;
  std::string HotelPassword;
  std::string ClientID;
  std::string PowerSwitchSectorNo;
  std::string PowerSwitchPassword;
  std::string PubDoor;
  std::string BeginAddr;
  std::string EndAddr;
  std::string MaxLiftAddr;
  std::string LiftData;
  bool VerifyAfterWrite = true;
};

inline constexpr const char* kOptionFormCaption = "Pellor门锁接口配置";

// The lists of the dialog's combo boxes. Only the power-switch type may be typed freely.
inline constexpr std::array<const char*, 6> kPortNames = {"COM1", "COM2", "COM3",
                                                          "COM4", "COM5", "COM6"};
inline constexpr std::array<const char*, 5> kLockTypeNames = {"RW-21", "RW-33", "RW-26D", "RW-41",
                                                              "RW-Z49A"};
inline constexpr std::array<const char*, 2> kPowerSwitchTypeNames = {"8602-1M-57BA",
                                                                     "8601-6M-57BA"};

// The list entry a combo box opens on: the one equal to the stored name in any letter case,
// or -1 (no selection) when none is, as for the default lock type "IC".
int ListIndexOf(const char* const* items, size_t count, std::string_view name);
template <size_t N>
int ListIndexOf(const std::array<const char*, N>& items, std::string_view name) {
  return ListIndexOf(items.data(), N, name);
}

// The note below the lift floors, four lines; the quotation marks belong to it.
inline constexpr const char* kLiftDataNote =
    "     从左至右按位判断是否能够开启对应楼层号，如果能够开启则置1，否则置0。\n"
    "最后再合并成十六进制的字符串。举例：宾客卡可以开启01、02、07、08号楼层，\n"
    "该电梯可控制十六层，则置位二进制字符串为：\"1100 0011 0000 0000\"，转化为十\n"
    "六进制字符串为：\"C300\"";
inline constexpr const char* kVerifyAfterWriteCaption = "写卡后读回校验，不符则发卡失败";
// After "确定" has saved: most settings apply at the next start.
inline constexpr BoxMessage kOptionsSaved{BoxIcon::Information, kHintCaption,
                                          "请重新启动程序,以启用设置的参数！"};

// The texts the dialog opens with: texts as stored, integers in decimal, ClientID as the
// unsigned decimal of its 32 bits.
TOptionEntries EntriesFromOption(const TOption& option);

// The options with the entries taken in. Every integer entry is checked before anything is
// taken, in the order the dialog reads them (BeginAddr, EndAddr, MaxLiftAddr, SectorNo,
// ClientID, PowerSwitchSectorNo): the first that is not an integer raises ConvertError
// "'%s' is not a valid integer value", so a bad entry never leaves half-changed options.
// ClientID is read as a 64-bit integer and keeps its low 32 bits; texts are taken as typed.
TOption OptionFromEntries(TOption option, const TOptionEntries& entries);

// What "确定" does: takes the entries into the shared options and saves them. A bad integer
// entry raises before anything changes; a failed save raises IoError "Unable to write to %s"
// with the new options already in effect.
void SaveOptionEntries(SharedOption& option, const TOptionEntries& entries);

}  // namespace keydesk
