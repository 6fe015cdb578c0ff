#include "kinds/doorlock/option_entries.h"

#include <cctype>

#include "core/field_conversion.h"

namespace keydesk {

TOptionEntries EntriesFromOption(const TOption& option) {
  TOptionEntries entries;
  entries.PortName = option.PortName;
  entries.LockTypeName = option.LockTypeName;
  entries.PowerSwitchTypeName = option.PowerSwitchTypeName;
  entries.SectorNo = std::to_string(option.SectorNo);
  entries.HotelPassword = option.HotelPassword;
  entries.ClientID = std::to_string(option.ClientID);
  entries.PowerSwitchSectorNo = std::to_string(option.PowerSwitchSectorNo);
  entries.PowerSwitchPassword = option.PowerSwitchPassword;
  entries.PubDoor = option.PubDoor;
  entries.BeginAddr = std::to_string(option.BeginAddr);
  entries.EndAddr = std::to_string(option.EndAddr);
  entries.MaxLiftAddr = std::to_string(option.MaxLiftAddr);
  entries.LiftData = option.LiftData;
  entries.VerifyAfterWrite = option.VerifyAfterWrite;
  return entries;
}

TOption OptionFromEntries(TOption option, const TOptionEntries& entries) {
  const int32_t beginAddr = FieldToInt(entries.BeginAddr, "电梯起始地址");
  const int32_t endAddr = FieldToInt(entries.EndAddr, "电梯结束地址");
  const int32_t maxLiftAddr = FieldToInt(entries.MaxLiftAddr, "所有电梯最大地址");
  const int32_t sectorNo = FieldToInt(entries.SectorNo, "扇区号");
  const int64_t clientId = FieldToInt64(entries.ClientID, "客户标识");
  const int32_t powerSwitchSectorNo = FieldToInt(entries.PowerSwitchSectorNo, "取电扇区号");

  option.BeginAddr = beginAddr;
  option.EndAddr = endAddr;
  option.MaxLiftAddr = maxLiftAddr;
  option.HotelPassword = entries.HotelPassword;
  option.PortName = entries.PortName;
  option.LockTypeName = entries.LockTypeName;
  option.SectorNo = sectorNo;
  option.ClientID = static_cast<uint32_t>(clientId);
  option.PubDoor = entries.PubDoor;
  option.PowerSwitchSectorNo = powerSwitchSectorNo;
  option.PowerSwitchPassword = entries.PowerSwitchPassword;
  option.LiftData = entries.LiftData;
  option.PowerSwitchTypeName = entries.PowerSwitchTypeName;
  option.VerifyAfterWrite = entries.VerifyAfterWrite;
  return option;
}

}  // namespace keydesk

namespace keydesk {

int ListIndexOf(const char* const* items, size_t count, std::string_view name) {
  const auto sameIgnoringCase = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(a[i])) !=
          std::tolower(static_cast<unsigned char>(b[i]))) {
        return false;
      }
    }
    return true;
  };
  for (size_t i = 0; i < count; ++i) {
    if (sameIgnoringCase(items[i], name)) return static_cast<int>(i);
  }
  return -1;
}

void SaveOptionEntries(SharedOption& option, const TOptionEntries& entries) {
  const TOption taken = OptionFromEntries(option.Get(), entries);
  option.Set(taken);
  taken.Save();
}

}  // namespace keydesk
