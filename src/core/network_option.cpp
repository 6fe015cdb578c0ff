#include "core/network_option.h"

#include <array>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/profile_file.h"

namespace keydesk {
namespace {

constexpr const char* kSecondsRule = "应为 0 到 86400 的秒数（0 表示不限）";
constexpr const char* kConnectionsRule = "应为 0 到 100000 的连接数（0 表示不限）";

constexpr OptionKey Strict(const char* section, const char* name, OptionType type,
                           const char* fallback, int64_t max, const char* rule, const char* caption,
                           const char* help, const char* group = "网络与安全",
                           OptionEffect effect = OptionEffect::NextStart) {
  return {.Section = section,
          .Name = name,
          .Type = type,
          .Default = fallback,
          .Min = 0,
          .Max = max,
          .Rule = rule,
          .Caption = caption,
          .Help = help,
          .Effect = effect,
          .Place = OptionPlace::SystemSettings,
          .Group = group};
}

// Who may connect and for how long: the listener reads them when it starts.
constexpr OptionKey Listening(const char* name, OptionType type, const char* fallback, int64_t max,
                              const char* rule, const char* caption, const char* help) {
  return Strict("Network", name, type, fallback, max, rule, caption, help, "网络与安全",
                OptionEffect::ListenerRestart);
}

// Read in this order, section by section.
constexpr std::array<OptionKey, 10> kDescriptions = {{
    Listening("ListenAddress", OptionType::Address, "", 0,
              "应为本机的一个 IPv4 地址，如 192.168.1.5", "监听地址（空：本机所有地址）",
              "只在本机的这个地址上监听；空：本机所有地址"),
    Listening("AllowedHosts", OptionType::Hosts, "", 0, "没有一个地址",
              "允许连接的主机（any 或空：任何主机）",
              "可以连接的 PMS 主机：地址或网段（如 192.168.1.0/24），用逗号分开；any：任何主机"),
    Listening("RequestTimeout", OptionType::Seconds, "60", 86'400, kSecondsRule,
              "请求时限（秒，0：不限）", "从请求的第一个字节到结尾的 NUL 最多等多久"),
    // Empty is a default of its own: 60 s for the first request, no limit between kept ones.
    Listening("IdleTimeout", OptionType::Seconds, "", 86'400, kSecondsRule,
              "空闲时限（秒，0：不限；空：第一个请求 60 秒）",
              "连接后多久内要开始请求，保持的连接两次请求之间最多空闲多久"),
    Listening("MaxConnections", OptionType::Count, "512", 100'000, kConnectionsRule,
              "最多连接数（0：不限）", "同时打开的连接最多多少"),
    Listening("MaxConnectionsPerHost", OptionType::Count, "64", 100'000, kConnectionsRule,
              "每台主机最多连接数（0：不限）", "一台主机同时打开的连接最多多少"),
    Strict("Network", "AccessLog", OptionType::OnOff, "1", 0, "应为 1（写访问日志）或 0（不写）",
           "写访问日志", "每个连接和请求在 Access 日志中记一行", "日志"),
    Strict("SysOption", "EncoderTimeout", OptionType::Seconds, "30", 86'400, kSecondsRule,
           "发卡器时限（秒，0：不限）", "发卡器的一次调用超过这么久就算没有响应"),
    Strict("Log", "MaxDayMB", OptionType::Count, "256", 1'048'576,
           "应为 0 到 1048576 的 MB 数（0 表示不限）", "每天日志的上限（MB，0：不限）",
           "当天日志超过这个大小后，不再写入请求的内容", "日志"),
    Strict("Log", "KeepDays", OptionType::Count, "0", 36'500,
           "应为 0 到 36500 的天数（0 表示全部保留）", "日志保留天数（0：全部保留）",
           "早于这么多天的日志和访问日志被删除", "日志"),
}};

// How each key's text becomes a field, in the order of kDescriptions. Raises Error with what
// the value should be; an empty value never reaches it.
using Reader = void (*)(const OptionKey& key, std::string_view value, NetworkOption& option);

[[noreturn]] void Expected(const char* what) { throw Error(AnsiFromUtf8(what)); }

int64_t Count(const OptionKey& key, std::string_view value) {
  const std::optional<int64_t> number = TryStrToInt64(value);
  if (!number || *number < key.Min || *number > key.Max) Expected(key.Rule);
  return *number;
}

std::chrono::seconds Seconds(const OptionKey& key, std::string_view value) {
  return std::chrono::seconds(Count(key, value));
}

const std::array<Reader, 10> kReaders = {{
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.ListenAddress = ParseIpv4(Trim(value));
      if (!option.ListenAddress) Expected(key.Rule);
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.AllowedHostsText = std::string(Trim(value));
      option.Allowed = AllowedHosts::Parse(value);
      // Separators alone name no host: taken as "any host", they would widen access.
      if (option.Allowed.Empty()) Expected(key.Rule);
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.RequestTimeout = Seconds(key, value);
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.IdleTimeout = Seconds(key, value);
      option.FirstRequestTimeout = option.IdleTimeout;
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.MaxConnections = static_cast<int>(Count(key, value));
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.MaxConnectionsPerHost = static_cast<int>(Count(key, value));
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      const std::optional<int32_t> number = TryStrToInt(value);
      if (!number) Expected(key.Rule);
      option.AccessLog = *number != 0;
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.EncoderTimeout = Seconds(key, value);
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.MaxDayMB = static_cast<int>(Count(key, value));
    },
    [](const OptionKey& key, std::string_view value, NetworkOption& option) {
      option.KeepDays = static_cast<int>(Count(key, value));
    },
}};

void ReadKey(size_t index, const std::string& value, NetworkOption& option) {
  const OptionKey& key = kDescriptions[index];
  if (Trim(value).empty()) return;
  const std::string named = AnsiFromUtf8("Option.ini 的 [") + key.Section + "] " + key.Name +
                            AnsiFromUtf8(" 的值“") + ReadableAnsi(value) +
                            AnsiFromUtf8("”无法读取：");
  // A value cut at the profile's length limit could read as another, wider range.
  if (value.size() >= ProfileFile::kMaxValueLength) throw Error(named + AnsiFromUtf8("太长"));
  try {
    kReaders[index](key, value, option);
  } catch (const Error& error) {
    throw Error(named + error.what());
  }
}

}  // namespace

NetworkOption::NetworkOption() {
  for (size_t i = 0; i < kDescriptions.size(); ++i) {
    const OptionKey& key = kDescriptions[i];
    if (*key.Default != '\0') kReaders[i](key, key.Default, *this);
  }
  // No IdleTimeout: the first request still has its minute, kept connections no limit.
  FirstRequestTimeout = std::chrono::seconds(60);
}

std::span<const OptionKey> NetworkOption::Keys() { return kDescriptions; }

NetworkOption NetworkOption::Load(const std::string& path) {
  NetworkOption option;
  const ProfileFile file(path);
  for (const char* section : {"Network", "SysOption", "Log"}) {
    std::vector<size_t> keys;
    std::vector<std::string_view> names;
    for (size_t i = 0; i < kDescriptions.size(); ++i) {
      if (std::string_view(kDescriptions[i].Section) != section) continue;
      keys.push_back(i);
      names.push_back(kDescriptions[i].Name);
    }
    const std::optional<std::vector<std::string>> values = file.ReadStrings(section, names, "");
    if (!values) {
      std::string reason;
      if (ExaminePath(path, &reason) == PathState::Missing) return option;
      throw Error(AnsiFromUtf8("无法读取 ") + AnsiFromPath(path) +
                  AnsiFromUtf8("，不能确定谁可以连接本接口"));
    }
    for (size_t i = 0; i < keys.size(); ++i) ReadKey(keys[i], (*values)[i], option);
  }
  return option;
}

void NetworkOption::CheckValue(std::string_view section, std::string_view key,
                               const std::string& value) {
  for (size_t i = 0; i < kDescriptions.size(); ++i) {
    if (kDescriptions[i].Section != section || kDescriptions[i].Name != key) continue;
    NetworkOption scratch;
    ReadKey(i, value, scratch);
    return;
  }
  throw Error("No key " + std::string(section) + "." + std::string(key));
}

}  // namespace keydesk
