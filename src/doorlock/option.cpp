#include "doorlock/option.h"

#include <array>
#include <string_view>
#include <utility>

#include "core/option_binding.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

using Key = ProfileBinding<TOption>;
constexpr const char* kSection = "DoorlockOption";

constexpr OptionKey Entry(const char* name, OptionType type, const char* fallback,
                          const char* caption, const char* help) {
  return {.Section = kSection,
          .Name = name,
          .Type = type,
          .Default = fallback,
          .Caption = caption,
          .Help = help,
          .Effect = OptionEffect::Now,
          .Kind = "doorlock",
          .Place = OptionPlace::DoorlockOptions};
}

// Loaded and saved in this order. The options dialog applies them to the next card at once.
constexpr std::array<OptionKey, 14> kKeys = {{
    Entry("PortName", OptionType::Text, "COM1", "端口", "发卡器所接的串口（COM1 到 COM10）"),
    Entry("HotelPassword", OptionType::Text, "572604", "密码", "酒店的卡片密码"),
    Entry("LockTypeName", OptionType::Text, "IC", "卡类型", "门锁的卡类型"),
    Entry("SectorNo", OptionType::Integer, "0", "扇区号", "宾客卡所用的扇区"),
    Entry("PowerSwitchSectorNo", OptionType::Integer, "0", "取电扇区号", "取电开关所用的扇区"),
    Entry("PowerSwitchPassword", OptionType::Text, "", "取电扇区密码", "取电扇区的密码"),
    Entry("ClientID", OptionType::Integer, "0", "客户标识",
          "锁厂给酒店的客户标识（32 位无符号数）"),
    Entry("PubDoor", OptionType::Text, "00000000", "公共门", "宾客卡可开的公共门"),
    Entry("PowerSwitchTypeName", OptionType::Text, "", "取电类型",
          "取电开关的型号；空：不写取电块"),
    Entry("BeginAddr", OptionType::Integer, "96", "电梯起始地址", "电梯控制器的起始地址"),
    Entry("EndAddr", OptionType::Integer, "97", "电梯结束地址", "电梯控制器的结束地址"),
    Entry("MaxLiftAddr", OptionType::Integer, "97", "所有电梯最大地址", "所有电梯中最大的地址"),
    Entry("LiftData", OptionType::Text, "6000", "电梯控制楼层",
          "宾客卡可到的楼层，按位置 1 后写成十六进制"),
    // On unless set to 0: a card that reads back other than written must not pass as good.
    Entry("VerifyAfterWrite", OptionType::Switch, "1", "写卡后读回校验",
          "写完三个数据块后读回卡片，核对卡号、房号、有效期和电梯楼层；读不回或不一致时按发卡失败"
          "处理"),
}};

const std::array<Key, 14>& Keys() {
  static const std::array<Key, 14> keys = {
      Bind(kKeys[0], &TOption::PortName),
      Bind(kKeys[1], &TOption::HotelPassword),
      Bind(kKeys[2], &TOption::LockTypeName),
      Bind(kKeys[3], &TOption::SectorNo),
      Bind(kKeys[4], &TOption::PowerSwitchSectorNo),
      Bind(kKeys[5], &TOption::PowerSwitchPassword),
      Bind(kKeys[6], &TOption::ClientID),
      Bind(kKeys[7], &TOption::PubDoor),
      Bind(kKeys[8], &TOption::PowerSwitchTypeName),
      Bind(kKeys[9], &TOption::BeginAddr),
      Bind(kKeys[10], &TOption::EndAddr),
      Bind(kKeys[11], &TOption::MaxLiftAddr),
      Bind(kKeys[12], &TOption::LiftData),
      Bind(kKeys[13], &TOption::VerifyAfterWrite),
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

TOption::TOption(std::string fileName) : FileName(std::move(fileName)) {
  for (const Key& key : Keys()) key.SetDefault(*this);
}

std::span<const OptionKey> DoorlockOptionKeys() { return kKeys; }

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
