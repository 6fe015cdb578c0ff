#include "app/system_settings.h"

#include <algorithm>
#include <string_view>

#include "app/settings_audit.h"
#include "core/ipv4.h"
#include "core/network_option.h"
#include "core/sys_option.h"
#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

constexpr const char* kSys = "SysOption";
constexpr const char* kDoorlock = "DoorlockOption";
constexpr const char* kAllowRefusedHost = "AllowRefusedHost";  // the offers' name

std::string Switch(bool on) { return on ? "1" : "0"; }

std::string Seconds(std::chrono::seconds seconds) { return std::to_string(seconds.count()); }

// The system options' keys with what they hold after Load, which applies the defaults and
// the integer reading rules; the network keys as written, or their default when empty.
std::vector<SettingField> ReadFields(const std::string& file) {
  TSysOption sys(file);
  sys.Load();
  const NetworkOption network;
  const ProfileFile profile(file);
  auto stored = [&](const char* section, const char* key, const std::string& fallback) {
    const std::string value = profile.ReadString(section, key, "");
    return Trim(value).empty() ? fallback : value;
  };
  // A switch as start-up reads it: any number but 0 is on, so that "2" is not shown as off
  // and written back as 0.
  auto storedSwitch = [&](const char* section, const char* key, bool fallback) {
    const std::optional<int32_t> number = TryStrToInt(Trim(profile.ReadString(section, key, "")));
    return Switch(number ? *number != 0 : fallback);
  };
  return {
      {kSys, "DoorlockPortNo", "门锁接口端口", SettingKind::Number,
       std::to_string(sys.DoorlockPortNo)},
      {kSys, "PolicePortNo", "公安接口端口", SettingKind::Number, std::to_string(sys.PolicePortNo)},
      {kSys, "MemberPortNo", "会员卡接口端口", SettingKind::Number,
       std::to_string(sys.MemberPortNo)},
      {kSys, "HandPortNo", "手牌接口端口", SettingKind::Number, std::to_string(sys.HandPortNo)},
      {kSys, "WriteLog", "写日志", SettingKind::Switch, Switch(sys.WriteLog)},
      {kDoorlock, "DelayMinutes", "卡的起始时间提前（分钟）", SettingKind::Number,
       std::to_string(sys.DelayMinutes)},
      {kDoorlock, "DelayMinutes2", "卡的结束时间延后（分钟）", SettingKind::Number,
       std::to_string(sys.DelayMinutes2)},
      {kDoorlock, "UseNativeDoorlockDb", "起始时间取本机记录的入住时间", SettingKind::Switch,
       Switch(sys.UseNativeDoorlockDb)},
      {kDoorlock, "SaveDoorlockRecord", "记录每张发出的卡", SettingKind::Switch,
       Switch(sys.SaveDoorlockRecord)},
      {"Network", "ListenAddress", "监听地址（空：本机所有地址）", SettingKind::Text,
       stored("Network", "ListenAddress", "")},
      {"Network", "AllowedHosts", "允许连接的主机（any 或空：任何主机）", SettingKind::Text,
       stored("Network", "AllowedHosts", "")},
      {"Network", "RequestTimeout", "请求时限（秒，0：不限）", SettingKind::Number,
       stored("Network", "RequestTimeout", Seconds(network.RequestTimeout))},
      // Empty is a default of its own: 60 s for the first request, no limit between kept
      // ones; no one number shows it.
      {"Network", "IdleTimeout", "空闲时限（秒，0：不限；空：第一个请求 60 秒）",
       SettingKind::Number, stored("Network", "IdleTimeout", "")},
      {"Network", "MaxConnections", "最多连接数（0：不限）", SettingKind::Number,
       stored("Network", "MaxConnections", std::to_string(network.MaxConnections))},
      {"Network", "MaxConnectionsPerHost", "每台主机最多连接数（0：不限）", SettingKind::Number,
       stored("Network", "MaxConnectionsPerHost", std::to_string(network.MaxConnectionsPerHost))},
      {"Network", "AccessLog", "写访问日志", SettingKind::Switch,
       storedSwitch("Network", "AccessLog", network.AccessLog)},
      {"Log", "KeepDays", "日志保留天数（0：全部保留）", SettingKind::Number,
       stored("Log", "KeepDays", std::to_string(network.KeepDays))},
  };
}

// The hosts refused for not being allowed that the file's list keeps out still, most
// refused first, as switches that add them.
std::vector<SettingField> Offers(const std::string& file,
                                 const std::vector<ServiceStatus::RefusedHosts>& refused) {
  AllowedHosts allowed;
  try {
    allowed = AllowedHosts::Parse(ProfileFile(file).ReadString("Network", "AllowedHosts", ""));
  } catch (const Error&) {
    return {};  // a list that cannot be read is mended in its own entry first
  }
  if (allowed.AllowsAny()) return {};
  std::vector<ServiceStatus::RefusedHosts> candidates;
  for (const ServiceStatus::RefusedHosts& host : refused) {
    if (host.Why == ConnectionRefusal::NotAllowed && !allowed.Allows(host.Host)) {
      candidates.push_back(host);
    }
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const auto& a, const auto& b) { return a.Count > b.Count; });
  if (candidates.size() > SystemSettings::kMostOffers) {
    candidates.resize(SystemSettings::kMostOffers);
  }
  std::vector<SettingField> offers;
  for (const ServiceStatus::RefusedHosts& host : candidates) {
    const std::string address = Ipv4Text(host.Host);
    offers.push_back({"Network", kAllowRefusedHost,
                      "允许 " + address + " 连接（已拒绝 " + std::to_string(host.Count) + " 次）",
                      SettingKind::Switch, "0", address});
  }
  return offers;
}

// The list as typed with the host added, unless the list lets it in already (an empty list
// lets every host in). A list that cannot be read gets the host all the same, and is then
// refused with its caption.
std::string WithHost(const std::string& list, const std::string& host) {
  try {
    if (AllowedHosts::Parse(list).Allows(*ParseIpv4(host))) return list;
  } catch (const Error&) {
  }
  const std::string_view trimmed = Trim(list);
  return trimmed.empty() ? host : std::string(trimmed) + ", " + host;
}

[[noreturn]] void Refuse(const SettingField& field, const std::string& entry,
                         const std::string& what) {
  throw Error(AnsiFromUtf8(std::string("“") + field.Caption + "”") + what +
              AnsiFromUtf8("，现在是“") + ReadableAnsi(entry) + AnsiFromUtf8("”。"));
}

void CheckRange(const SettingField& field, const std::string& entry, int32_t low, int32_t high,
                const char* what) {
  const std::optional<int32_t> number = TryStrToInt(Trim(entry));
  if (!number || *number < low || *number > high) Refuse(field, entry, AnsiFromUtf8(what));
}

void Check(const SettingField& field, const std::string& entry) {
  if (field.Kind == SettingKind::Switch) {
    if (entry != "1" && entry != "0") Refuse(field, entry, AnsiFromUtf8("应为 1 或 0"));
    return;
  }
  const std::string_view section = field.Section;
  const std::string_view key = field.Key;
  if (section == "Network" || section == "Log") {
    try {
      NetworkOption::CheckValue(section, key, entry);
    } catch (const Error& error) {
      throw Error(AnsiFromUtf8(std::string("“") + field.Caption + "”：") + error.what());
    }
    return;
  }
  if (key.ends_with("PortNo")) {
    CheckRange(field, entry, 1, 65535, "应为 1 到 65535 的端口号");
  } else {
    // A week either way is more than any stay's grace.
    CheckRange(field, entry, 0, 10080, "应为 0 到 10080 的分钟数");
  }
}

}  // namespace

SystemSettings::SystemSettings(std::string optionFile,
                               const std::vector<ServiceStatus::RefusedHosts>& refused)
    : file_(std::move(optionFile)), fields_(ReadFields(file_)) {
  for (SettingField& offer : Offers(file_, refused)) fields_.push_back(std::move(offer));
}

std::string SystemSettings::Save(const std::vector<std::string>& given) {
  if (given.size() != fields_.size()) throw Error("System settings: wrong number of entries");
  std::vector<std::string> entries = given;
  size_t hostsField = fields_.size();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (std::string_view(fields_[i].Key) == "AllowedHosts") hostsField = i;
  }
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].AllowHost.empty()) continue;
    if (entries[i] != "0" && entries[i] != "1")
      Refuse(fields_[i], entries[i], AnsiFromUtf8("应为 1 或 0"));
    if (entries[i] == "1" && hostsField < fields_.size()) {
      entries[hostsField] = WithHost(entries[hostsField], fields_[i].AllowHost);
    }
  }
  std::vector<size_t> changed;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (!fields_[i].AllowHost.empty() || entries[i] == fields_[i].Value) continue;
    // Only what the clerk changed is checked: an odd value left in the file by hand stays.
    Check(fields_[i], entries[i]);
    changed.push_back(i);
  }
  if (changed.empty()) return AnsiFromUtf8("没有改动。");
  ProfileFile profile(file_);
  std::string names;
  for (const size_t i : changed) {
    profile.WriteString(fields_[i].Section, fields_[i].Key, Trim(entries[i]));
    if (audit_ != nullptr) {
      audit_->SettingChanged(fields_[i].Section, fields_[i].Key, fields_[i].Value,
                             Trim(entries[i]));
    }
    fields_[i].Value = entries[i];
    if (!names.empty()) names += AnsiFromUtf8("、");
    names += AnsiFromUtf8(fields_[i].Caption);
  }
  return AnsiFromUtf8("已保存：") + names + AnsiFromUtf8("。这些设置在重新启动 keydesk 后生效。");
}

}  // namespace keydesk
