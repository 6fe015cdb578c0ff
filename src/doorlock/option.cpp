#include "doorlock/option.h"

#include <array>
#include <string_view>
#include <utility>

#include "platform/profile_binding.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

using Key = ProfileBinding<TOption>;
constexpr const char* kSection = "DoorlockOption";

// Loaded and saved in this order.
const std::array<Key, 14>& Keys() {
  static const std::array<Key, 14> keys = {
      Key(kSection, "PortName", &TOption::PortName, "COM1"),
      Key(kSection, "HotelPassword", &TOption::HotelPassword, "572604"),
      Key(kSection, "LockTypeName", &TOption::LockTypeName, "IC"),
      Key(kSection, "SectorNo", &TOption::SectorNo, 0),
      Key(kSection, "PowerSwitchSectorNo", &TOption::PowerSwitchSectorNo, 0),
      Key(kSection, "PowerSwitchPassword", &TOption::PowerSwitchPassword, ""),
      Key(kSection, "ClientID", &TOption::ClientID, 0u),
      Key(kSection, "PubDoor", &TOption::PubDoor, "00000000"),
      Key(kSection, "PowerSwitchTypeName", &TOption::PowerSwitchTypeName, ""),
      Key(kSection, "BeginAddr", &TOption::BeginAddr, 96),
      Key(kSection, "EndAddr", &TOption::EndAddr, 97),
      Key(kSection, "MaxLiftAddr", &TOption::MaxLiftAddr, 97),
      Key(kSection, "LiftData", &TOption::LiftData, "6000"),
      // On unless set to 0: a card that reads back other than written must not pass as good.
      Key(kSection, "VerifyAfterWrite", &TOption::VerifyAfterWrite, true),
  };
  return keys;
}

struct NameCode {
  std::string_view name;
  int32_t code;
};
template <size_t N>
using CodeTable = std::array<NameCode, N>;

constexpr CodeTable<10> kPortCodes = {{{"COM1", 1},
                                       {"COM2", 2},
                                       {"COM3", 3},
                                       {"COM4", 4},
                                       {"COM5", 5},
                                       {"COM6", 6},
                                       {"COM7", 7},
                                       {"COM8", 8},
                                       {"COM9", 9},
                                       {"COM10", 10}}};
constexpr CodeTable<5> kLockTypeCodes = {
    {{"RW-21", 1}, {"RW-33", 2}, {"RW-26D", 3}, {"RW-41", 4}, {"RW-Z49A", 5}}};
constexpr CodeTable<2> kPowerSwitchTypeCodes = {{{"8602-1M-57BA", 1}, {"8601-6M-57BA", 2}}};

// Exact, case-sensitive comparison of the whole name; unknown names give 0.
template <size_t N>
int32_t CodeOf(const CodeTable<N>& table, std::string_view name) {
  for (const NameCode& entry : table) {
    if (entry.name == name) return entry.code;
  }
  return 0;
}

}  // namespace

TOption::TOption(std::string fileName) : FileName(std::move(fileName)) {}

void TOption::Load() {
  const ProfileFile file(FileName);
  for (const Key& key : Keys()) key.Load(file, *this);
}

void TOption::Save() const {
  ProfileFile file(FileName);
  for (const Key& key : Keys()) key.Save(file, *this);
}

std::vector<OptionKeyText> TOption::KeyTexts() const {
  std::vector<OptionKeyText> texts;
  texts.reserve(Keys().size());
  for (const Key& key : Keys()) texts.push_back({key.Section(), key.Key(), key.WrittenText(*this)});
  return texts;
}

int32_t TOption::PortNo() const { return CodeOf(kPortCodes, PortName); }
int32_t TOption::LockTypeCode() const { return CodeOf(kLockTypeCodes, LockTypeName); }
int32_t TOption::PowerSwitchTypeCode() const {
  return CodeOf(kPowerSwitchTypeCodes, PowerSwitchTypeName);
}

}  // namespace keydesk
