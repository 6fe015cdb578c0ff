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

constexpr int64_t kMaxSeconds = 86'400;
constexpr int64_t kMaxConnectionCount = 100'000;
constexpr int64_t kMaxKeepDays = 36'500;

// One key: where it stands and how its text becomes a field.
struct Key {
  const char* Section;
  const char* Name;
  // Raises Error with what the value should be; an empty value never reaches it.
  void (*Read)(std::string_view value, NetworkOption& option);
};

[[noreturn]] void Expected(const char* what) { throw Error(AnsiFromUtf8(what)); }

int64_t Count(std::string_view value, int64_t max, const char* what) {
  const std::optional<int64_t> number = TryStrToInt64(value);
  if (!number || *number < 0 || *number > max) Expected(what);
  return *number;
}

constexpr int64_t kMaxDayMegabytes = 1'048'576;

const std::array<Key, 10> kKeys = {{
    {"Network", "ListenAddress",
     [](std::string_view value, NetworkOption& option) {
       option.ListenAddress = ParseIpv4(Trim(value));
       if (!option.ListenAddress) Expected("应为本机的一个 IPv4 地址，如 192.168.1.5");
     }},
    {"Network", "AllowedHosts",
     [](std::string_view value, NetworkOption& option) {
       option.AllowedHostsText = std::string(Trim(value));
       option.Allowed = AllowedHosts::Parse(value);
       // Separators alone name no host: taken as "any host", they would widen access.
       if (option.Allowed.Empty()) Expected("没有一个地址");
     }},
    {"Network", "RequestTimeout",
     [](std::string_view value, NetworkOption& option) {
       option.RequestTimeout =
           std::chrono::seconds(Count(value, kMaxSeconds, "应为 0 到 86400 的秒数（0 表示不限）"));
     }},
    {"Network", "IdleTimeout",
     [](std::string_view value, NetworkOption& option) {
       option.IdleTimeout =
           std::chrono::seconds(Count(value, kMaxSeconds, "应为 0 到 86400 的秒数（0 表示不限）"));
       option.FirstRequestTimeout = option.IdleTimeout;
     }},
    {"Network", "MaxConnections",
     [](std::string_view value, NetworkOption& option) {
       option.MaxConnections = static_cast<int>(
           Count(value, kMaxConnectionCount, "应为 0 到 100000 的连接数（0 表示不限）"));
     }},
    {"Network", "MaxConnectionsPerHost",
     [](std::string_view value, NetworkOption& option) {
       option.MaxConnectionsPerHost = static_cast<int>(
           Count(value, kMaxConnectionCount, "应为 0 到 100000 的连接数（0 表示不限）"));
     }},
    {"Network", "AccessLog",
     [](std::string_view value, NetworkOption& option) {
       const std::optional<int32_t> number = TryStrToInt(value);
       if (!number) Expected("应为 1（写访问日志）或 0（不写）");
       option.AccessLog = *number != 0;
     }},
    {"SysOption", "EncoderTimeout",
     [](std::string_view value, NetworkOption& option) {
       option.EncoderTimeout =
           std::chrono::seconds(Count(value, kMaxSeconds, "应为 0 到 86400 的秒数（0 表示不限）"));
     }},
    {"Log", "MaxDayMB",
     [](std::string_view value, NetworkOption& option) {
       option.MaxDayMB = static_cast<int>(
           Count(value, kMaxDayMegabytes, "应为 0 到 1048576 的 MB 数（0 表示不限）"));
     }},
    {"Log", "KeepDays",
     [](std::string_view value, NetworkOption& option) {
       option.KeepDays =
           static_cast<int>(Count(value, kMaxKeepDays, "应为 0 到 36500 的天数（0 表示全部保留）"));
     }},
}};

void ReadKey(const Key& key, const std::string& value, NetworkOption& option) {
  if (Trim(value).empty()) return;
  const std::string named = AnsiFromUtf8("Option.ini 的 [") + key.Section + "] " + key.Name +
                            AnsiFromUtf8(" 的值“") + ReadableAnsi(value) +
                            AnsiFromUtf8("”无法读取：");
  // A value cut at the profile's length limit could read as another, wider range.
  if (value.size() >= ProfileFile::kMaxValueLength) throw Error(named + AnsiFromUtf8("太长"));
  try {
    key.Read(value, option);
  } catch (const Error& error) {
    throw Error(named + error.what());
  }
}

}  // namespace

NetworkOption NetworkOption::Load(const std::string& path) {
  NetworkOption option;
  const ProfileFile file(path);
  for (const char* section : {"Network", "SysOption", "Log"}) {
    std::vector<const Key*> keys;
    std::vector<std::string_view> names;
    for (const Key& key : kKeys) {
      if (std::string_view(key.Section) != section) continue;
      keys.push_back(&key);
      names.push_back(key.Name);
    }
    const std::optional<std::vector<std::string>> values = file.ReadStrings(section, names, "");
    if (!values) {
      std::string reason;
      if (ExaminePath(path, &reason) == PathState::Missing) return option;
      throw Error(AnsiFromUtf8("无法读取 ") + AnsiFromPath(path) +
                  AnsiFromUtf8("，不能确定谁可以连接本接口"));
    }
    for (size_t i = 0; i < keys.size(); ++i) ReadKey(*keys[i], (*values)[i], option);
  }
  return option;
}

void NetworkOption::CheckValue(std::string_view section, std::string_view key,
                               const std::string& value) {
  for (const Key& known : kKeys) {
    if (known.Section != section || known.Name != key) continue;
    NetworkOption scratch;
    ReadKey(known, value, scratch);
    return;
  }
  throw Error("No key " + std::string(section) + "." + std::string(key));
}

}  // namespace keydesk
