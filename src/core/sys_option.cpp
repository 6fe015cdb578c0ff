#include "core/sys_option.h"

#include <array>

#include "core/option_binding.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

using Key = ProfileBinding<TSysOption>;

constexpr const char* kSys = "SysOption";
constexpr const char* kDoorlock = "DoorlockOption";
constexpr const char* kPortRule = "应为 1 到 65535 的端口号";
// A week either way is more than any stay's grace.
constexpr const char* kMinutesRule = "应为 0 到 10080 的分钟数";

constexpr OptionKey Port(const char* name, const char* fallback, const char* caption,
                         const char* kind) {
  return {.Section = kSys,
          .Name = name,
          .Type = OptionType::Port,
          .Default = fallback,
          .Min = 1,
          .Max = 65535,
          .Rule = kPortRule,
          .Caption = caption,
          .Help = "该接口在本机监听的 TCP 端口，PMS 连接到这里",
          .Effect = OptionEffect::ListenerRestart,
          .Kind = kind,
          .Place = OptionPlace::SystemSettings,
          .Group = "接口端口"};
}

// Loaded and saved in this order.
constexpr std::array<OptionKey, 14> kKeys = {{
    {.Section = kSys,
     .Name = "Password",
     .Type = OptionType::Text,
     .Default = "tivrel",
     .Caption = "管理员密码",
     .Help = "打开设置和测试窗口前要输入的密码，以明文保存",
     .Effect = OptionEffect::Now,
     .Place = OptionPlace::PasswordDialog},
    Port("DoorlockPortNo", "8886", "门锁接口端口", "doorlock"),
    Port("HandPortNo", "8886", "手牌接口端口", "hand"),
    Port("PolicePortNo", "8885", "公安接口端口", "police"),
    Port("MemberPortNo", "8883", "会员卡接口端口", "member"),
    {.Section = kSys,
     .Name = "ScanPortNo",
     .Type = OptionType::Integer,
     .Default = "8881",
     .Help = "保留不用，照原样保存"},
    {.Section = kSys,
     .Name = "WriteLog",
     .Type = OptionType::Switch,
     .Default = "1",
     .Caption = "写日志",
     .Help = "每天的日志（日期.LOG）是否写入",
     .Place = OptionPlace::SystemSettings,
     .Group = "日志"},
    {.Section = kDoorlock,
     .Name = "DelayMinutes",
     .Type = OptionType::Integer,
     .Default = "0",
     .Min = 0,
     .Max = 10080,
     .Rule = kMinutesRule,
     .Caption = "卡的起始时间提前（分钟）",
     .Help = "宾客卡的起始时间比入住时间提前的分钟数",
     .Kind = "doorlock",
     .Place = OptionPlace::SystemSettings,
     .Group = "发卡记录"},
    {.Section = kDoorlock,
     .Name = "DelayMinutes2",
     .Type = OptionType::Integer,
     .Default = "0",
     .Min = 0,
     .Max = 10080,
     .Rule = kMinutesRule,
     .Caption = "卡的结束时间延后（分钟）",
     .Help = "宾客卡的结束时间比离店时间延后的分钟数",
     .Kind = "doorlock",
     .Place = OptionPlace::SystemSettings,
     .Group = "发卡记录"},
    {.Section = kDoorlock,
     .Name = "UseNativeDoorlockDb",
     .Type = OptionType::Switch,
     .Default = "0",
     .Caption = "起始时间取本机记录的入住时间",
     .Help = "宾客卡的起始时间取本机发卡记录中该房间最后的入住时间",
     .Kind = "doorlock",
     .Place = OptionPlace::SystemSettings,
     .Group = "发卡记录"},
    {.Section = kDoorlock,
     .Name = "SaveDoorlockRecord",
     .Type = OptionType::Switch,
     .Default = "0",
     .Caption = "记录每张发出的卡",
     .Help = "每张发出的宾客卡记入发卡记录（Client.mdb 或共享数据库）",
     .Kind = "doorlock",
     .Place = OptionPlace::SystemSettings,
     .Group = "发卡记录"},
    {.Section = kDoorlock,
     .Name = "AutoReadDoorCard",
     .Type = OptionType::Switch,
     .Default = "0",
     .Help = "保留不用，照原样保存",
     .Kind = "doorlock"},
    {.Section = kDoorlock,
     .Name = "PmsServer",
     .Type = OptionType::Text,
     .Default = "127.0.0.1",
     .Help = "保留不用，照原样保存",
     .Kind = "doorlock"},
    {.Section = kDoorlock,
     .Name = "PmsServerPort",
     .Type = OptionType::Integer,
     .Default = "9873",
     .Help = "保留不用，照原样保存",
     .Kind = "doorlock"},
}};

const std::array<Key, 14>& Keys() {
  static const std::array<Key, 14> keys = {
      Bind(kKeys[0], &TSysOption::Password),
      Bind(kKeys[1], &TSysOption::DoorlockPortNo),
      Bind(kKeys[2], &TSysOption::HandPortNo),
      Bind(kKeys[3], &TSysOption::PolicePortNo),
      Bind(kKeys[4], &TSysOption::MemberPortNo),
      Bind(kKeys[5], &TSysOption::ScanPortNo),
      Bind(kKeys[6], &TSysOption::WriteLog),
      Bind(kKeys[7], &TSysOption::DelayMinutes),
      Bind(kKeys[8], &TSysOption::DelayMinutes2),
      Bind(kKeys[9], &TSysOption::UseNativeDoorlockDb),
      Bind(kKeys[10], &TSysOption::SaveDoorlockRecord),
      Bind(kKeys[11], &TSysOption::AutoReadDoorCard),
      Bind(kKeys[12], &TSysOption::PmsServer),
      Bind(kKeys[13], &TSysOption::PmsServerPort),
  };
  return keys;
}

}  // namespace

std::span<const OptionKey> SysOptionKeys() { return kKeys; }

const OptionKey& SysOptionPortKey(std::string_view kind) {
  for (const OptionKey& key : kKeys) {
    if (key.Type == OptionType::Port && key.Kind == kind) return key;
  }
  throw Error("No port key for the kind " + std::string(kind));
}

int32_t* TSysOption::PortField(const OptionKey& key) {
  for (size_t i = 0; i < kKeys.size(); ++i) {
    if (&kKeys[i] == &key) return Keys()[i].IntegerField(*this);
  }
  return nullptr;
}

int32_t TSysOption::PortNo(const OptionKey& key) const {
  if (int32_t* field = const_cast<TSysOption*>(this)->PortField(key)) return *field;
  // A kind beyond the four keeps its port in a key of its own, read as the four are.
  return StrToIntDef(ProfileFile(FileName).ReadString(key.Section, key.Name, ""),
                     static_cast<int32_t>(key.NumberDefault()));
}

TSysOption::TSysOption(std::string fileName) : FileName(std::move(fileName)) {
  for (const Key& key : Keys()) key.SetDefault(*this);
}

void TSysOption::Load() {
  const ProfileFile file(FileName);
  for (const Key& key : Keys()) key.Load(file, *this);
}

void TSysOption::Save() const {
  ProfileFile file(FileName);
  for (const Key& key : Keys()) key.Save(file, *this);
}

}  // namespace keydesk
