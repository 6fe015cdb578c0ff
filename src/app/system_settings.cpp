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
#include "store/connection_keywords.h"

namespace keydesk {
namespace {

constexpr const char* kAllowRefusedHost = "AllowRefusedHost";  // the offers' name

// The parts of a connection string the dialog shows; a password is never among them.
struct ConnectionPart {
  const char* Keyword;
  const char* Caption;
  const char* Help;
  bool Port;
};

constexpr ConnectionPart kConnectionParts[] = {
    {"host", "服务器", "PostgreSQL 服务器的名称或地址", false},
    {"port", "端口（空：5432）", "PostgreSQL 服务器的端口", true},
    {"dbname", "数据库", "存放发卡记录的数据库", false},
    {"user", "用户", "连接数据库的用户；它的密码不在这里设置", false},
};

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
    case OptionType::Choice:
      return SettingKind::Text;
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

std::vector<std::string> ChoicesOf(const OptionKey& key,
                                   const std::vector<uint32_t>& localAddresses) {
  std::vector<std::string> choices;
  if (key.Type == OptionType::Address) {
    for (const uint32_t address : localAddresses) choices.push_back(Ipv4Text(address));
  }
  for (std::string_view names = key.Choices; !names.empty();) {
    const size_t bar = names.find('|');
    choices.emplace_back(names.substr(0, bar));
    names = bar == std::string_view::npos ? std::string_view() : names.substr(bar + 1);
  }
  return choices;
}

// A connection string's parts, each a field; none when the string is a URI or cannot be
// read, which is then edited in Option.ini.
void AddConnectionParts(const OptionKey& key, const std::string& text,
                        std::vector<SettingField>& fields) {
  const std::optional<ConnectionKeywords> keywords = ConnectionKeywords::Parse(text);
  if (!keywords) return;
  for (const ConnectionPart& part : kConnectionParts) {
    fields.push_back({.Section = key.Section,
                      .Key = key.Name,
                      .Caption = part.Caption,
                      .Kind = part.Port ? SettingKind::Number : SettingKind::Text,
                      .Value = keywords->Get(part.Keyword),
                      .Group = key.Group,
                      .Help = part.Help,
                      .Description = &key,
                      .Part = part.Keyword});
  }
}

// The keys 系统设置 shows, group by group, each group in the order its keys are read.
std::vector<SettingField> ReadFields(const std::string& file,
                                     const std::vector<uint32_t>& localAddresses) {
  const ProfileFile profile(file);
  const std::vector<const OptionKey*> catalog = OptionCatalog();
  std::vector<SettingField> fields;
  for (const std::string& group : SettingGroups()) {
    for (const OptionKey* key : catalog) {
      if (key->Place != OptionPlace::SystemSettings || key->Group != group) continue;
      if (key->Type == OptionType::Connection) {
        AddConnectionParts(*key, profile.ReadString(key->Section, key->Name, key->Default), fields);
        continue;
      }
      fields.push_back({.Section = key->Section,
                        .Key = key->Name,
                        .Caption = key->Caption,
                        .Kind = KindOf(*key),
                        .Value = ValueOf(*key, profile),
                        .Group = key->Group,
                        .Help = key->Help,
                        .Description = key,
                        .Choices = ChoicesOf(*key, localAddresses)});
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
    offers.push_back(
        {.Section = "Network",
         .Key = kAllowRefusedHost,
         .Caption = "允许 " + address + " 连接（已拒绝 " + std::to_string(host.Count) + " 次）",
         .Kind = SettingKind::Switch,
         .Value = "0",
         .AllowHost = address,
         .Group = "网络与安全",
         .Help = "勾选后把这台主机加入允许连接的主机"});
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

void CheckPart(const SettingField& field, const std::string& entry) {
  for (const char c : entry) {
    // One line of Option.ini holds the whole string.
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      Refuse(field, entry, AnsiFromUtf8("不能含有控制字符"));
    }
  }
  if (field.Kind == SettingKind::Number && !Trim(entry).empty()) {
    const std::optional<int64_t> port = TryStrToInt64(Trim(entry));
    if (!port || *port < 1 || *port > 65535) {
      Refuse(field, entry, AnsiFromUtf8("应为 1 到 65535 的端口号，或空"));
    }
  }
}

void Check(const SettingField& field, const std::string& entry) {
  if (field.Kind == SettingKind::Switch) {
    if (entry != "1" && entry != "0") Refuse(field, entry, AnsiFromUtf8("应为 1 或 0"));
    return;
  }
  if (!field.Part.empty()) return CheckPart(field, entry);
  const OptionKey& key = *field.Description;
  if (key.Type == OptionType::Choice) {
    for (const std::string& choice : field.Choices) {
      if (SameAsciiText(Trim(entry), choice)) return;
    }
    Refuse(field, entry, AnsiFromUtf8(key.Rule));
  }
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

std::string EntryName(const SettingField& field) {
  return field.Part.empty() ? field.Key : std::string(field.Key) + "." + field.Part;
}

size_t SecondColumnStart(const std::vector<SettingField>& fields) {
  std::vector<size_t> starts;  // each group's first field
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i == 0 || fields[i].Group != fields[i - 1].Group) starts.push_back(i);
  }
  const size_t rows = fields.size() + starts.size();
  size_t best = fields.size();
  size_t bestTaller = rows;
  for (size_t g = 0; g < starts.size(); ++g) {
    const size_t left = starts[g] + g;  // the rows before that group, headings included
    const size_t taller = std::max(left, rows - left);
    if (taller < bestTaller) {
      bestTaller = taller;
      best = starts[g];
    }
  }
  return best;
}

SystemSettings::SystemSettings(std::string optionFile,
                               const std::vector<ServiceStatus::RefusedHosts>& refused,
                               const std::vector<uint32_t>& localAddresses)
    : file_(std::move(optionFile)), fields_(ReadFields(file_, localAddresses)) {
  for (const SettingField& field : fields_) {
    if (!field.Part.empty()) {
      connection_ = ProfileFile(file_).ReadString(field.Section, field.Key, "");
      break;
    }
  }
  // The offers close the network's group.
  auto after = fields_.end();
  for (auto field = fields_.begin(); field != fields_.end(); ++field) {
    if (field->Group == "网络与安全") after = field + 1;
  }
  std::vector<SettingField> offers = Offers(file_, refused);
  fields_.insert(after, std::make_move_iterator(offers.begin()),
                 std::make_move_iterator(offers.end()));
}

namespace {

std::string Joined(const std::vector<std::string>& captions) {
  std::string joined;
  for (const std::string& caption : captions) {
    if (!joined.empty()) joined += "、";
    joined += caption;
  }
  return joined;
}

// What the clerk is told of the keys saved (captions UTF-8): when each takes effect.
std::string SavedText(const std::vector<std::string>& all, const std::vector<std::string>& listener,
                      const std::vector<std::string>& nextStart) {
  std::string text = "已保存：" + Joined(all) + "。";
  if (listener.empty()) return text + "这些设置在重新启动 keydesk 后生效。";
  if (nextStart.empty()) return text + "这些设置在重新监听后生效。";
  return text + Joined(listener) + " 在重新监听后生效，" + Joined(nextStart) +
         " 在重新启动 keydesk 后生效。";
}

}  // namespace

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
  std::vector<std::string> all;
  std::vector<std::string> listener;
  std::vector<std::string> nextStart;
  std::optional<ConnectionKeywords> connection;
  const OptionKey* connectionKey = nullptr;
  for (const size_t i : changed) {
    SettingField& field = fields_[i];
    const std::string entry(Trim(entries[i]));
    if (!field.Part.empty()) {
      // The parts are written together, once, below.
      if (!connection) connection = ConnectionKeywords::Parse(connection_);
      connection->Set(field.Part, entry);
      connectionKey = field.Description;
    } else {
      profile.WriteString(field.Section, field.Key, entry);
      if (audit_ != nullptr) audit_->SettingChanged(field.Section, field.Key, field.Value, entry);
    }
    field.Value = entries[i];
    const bool forListener =
        field.Description != nullptr && field.Description->Effect == OptionEffect::ListenerRestart;
    listenerChanged_ = listenerChanged_ || forListener;
    all.push_back(field.Caption);
    (forListener ? listener : nextStart).push_back(field.Caption);
  }
  if (connection) {
    const std::string text = connection->Text();
    profile.WriteString(connectionKey->Section, connectionKey->Name, text);
    if (audit_ != nullptr) {
      // A password in the string stays out of the logs.
      audit_->SettingChanged(connectionKey->Section, connectionKey->Name,
                             ConnectionKeywords::Parse(connection_)->Redacted(),
                             connection->Redacted());
    }
    connection_ = text;
  }
  return AnsiFromUtf8(SavedText(all, listener, nextStart));
}

}  // namespace keydesk
