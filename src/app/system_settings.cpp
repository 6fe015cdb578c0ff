#include "app/system_settings.h"

#include <algorithm>
#include <string_view>

#include "app/option_catalog.h"
#include "app/settings_audit.h"
#include "core/ipv4.h"
#include "core/network_option.h"
#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

constexpr const char* kAllowRefusedHost = "AllowRefusedHost";  // the offers' name

std::string Switch(bool on) { return on ? "1" : "0"; }

SettingKind KindOf(const OptionKey& key) {
  switch (key.Type) {
    case OptionType::Switch:
    case OptionType::OnOff:
      return SettingKind::Switch;
    case OptionType::Integer:
    case OptionType::Port:
    case OptionType::Seconds:
    case OptionType::Count:
      return SettingKind::Number;
    default:
      return SettingKind::Text;
  }
}

// What start-up makes of the key's value: a lenient number as the system reads it (a value
// that is no number gives the default), any other key as written or its default when empty.
std::string ValueOf(const OptionKey& key, const ProfileFile& profile) {
  const std::string value = profile.ReadString(key.Section, key.Name, "");
  if (key.Type == OptionType::Integer || key.Type == OptionType::Port) {
    return std::to_string(StrToIntDef(value, static_cast<int32_t>(key.NumberDefault())));
  }
  // A switch as start-up reads it: any number but 0 is on, so that "2" is not shown as off
  // and written back as 0.
  if (KindOf(key) == SettingKind::Switch) {
    const std::optional<int32_t> number = TryStrToInt(Trim(value));
    return Switch(number ? *number != 0 : key.NumberDefault() != 0);
  }
  return Trim(value).empty() ? std::string(key.Default) : value;
}

// The keys 系统设置 shows, group by group, each group in the order its keys are read.
std::vector<SettingField> ReadFields(const std::string& file) {
  const ProfileFile profile(file);
  const std::vector<const OptionKey*> catalog = OptionCatalog();
  std::vector<SettingField> fields;
  for (const std::string& group : SettingGroups()) {
    for (const OptionKey* key : catalog) {
      if (key->Place != OptionPlace::SystemSettings || key->Group != group) continue;
      fields.push_back({key->Section,
                        key->Name,
                        key->Caption,
                        KindOf(*key),
                        ValueOf(*key, profile),
                        {},
                        key->Group,
                        key->Help,
                        key});
    }
  }
  return fields;
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
                      SettingKind::Switch, "0", address, "网络与安全",
                      "勾选后把这台主机加入允许连接的主机", nullptr});
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

void Check(const SettingField& field, const std::string& entry) {
  if (field.Kind == SettingKind::Switch) {
    if (entry != "1" && entry != "0") Refuse(field, entry, AnsiFromUtf8("应为 1 或 0"));
    return;
  }
  const OptionKey& key = *field.Description;
  if (key.Strict()) {
    try {
      NetworkOption::CheckValue(key.Section, key.Name, entry);
    } catch (const Error& error) {
      throw Error(AnsiFromUtf8(std::string("“") + field.Caption + "”：") + error.what());
    }
    return;
  }
  // The system's own numbers are read leniently at start; the dialog takes only what makes
  // sense.
  if (key.Ranged()) {
    const std::optional<int64_t> number = TryStrToInt64(Trim(entry));
    if (!number || *number < key.Min || *number > key.Max) {
      Refuse(field, entry, AnsiFromUtf8(key.Rule));
    }
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
