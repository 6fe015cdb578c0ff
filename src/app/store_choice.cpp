#include "app/store_choice.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/host_name.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/doorlock_record_manager.h"
#include "store/postgres_store.h"

namespace keydesk {
namespace {

constexpr const char* kSection = "Store";

constexpr std::array<OptionKey, 3> kKeys = {{
    {.Section = kSection,
     .Name = "Kind",
     .Type = OptionType::Choice,
     .Default = "SQLite",
     .Rule = "应为 SQLite 或 PostgreSQL",
     .Caption = "发卡记录存在",
     .Help = "发卡记录存在哪里：SQLite（本机的 Client.mdb）或 PostgreSQL（几台前台共用）",
     .Kind = "doorlock",
     .Place = OptionPlace::SystemSettings,
     .Group = "共享数据库",
     .Choices = "SQLite|PostgreSQL"},
    // The password, if the string holds one, is never shown: 系统设置 shows the other parts.
    {.Section = kSection,
     .Name = "Connection",
     .Type = OptionType::Connection,
     .Default = "",
     .Caption = "PostgreSQL 连接",
     .Help = "PostgreSQL 的连接串（libpq 的格式），如 host=db.hotel.lan dbname=keydesk user=desk",
     .Kind = "doorlock",
     .Place = OptionPlace::SystemSettings,
     .Group = "共享数据库"},
    {.Section = kSection,
     .Name = "VerifyServer",
     .Type = OptionType::OnOff,
     .Default = "1",
     .Rule = "应为 1（核对服务器证书）或 0（不核对）",
     .Caption = "核对服务器证书",
     .Help = "连接另一台机器上的 PostgreSQL 时是否核对它的证书",
     .Kind = "doorlock",
     .Place = OptionPlace::SystemSettings,
     .Group = "共享数据库"},
}};
const OptionKey& kKindKey = kKeys[0];
const OptionKey& kConnectionKey = kKeys[1];
const OptionKey& kVerifyServerKey = kKeys[2];

struct KindName {
  std::string_view Name;
  StoreChoice::StoreKind Kind;
};

constexpr std::array<KindName, 2> kKindNames = {{
    {"SQLite", StoreChoice::StoreKind::SQLite},
    {"PostgreSQL", StoreChoice::StoreKind::PostgreSQL},
}};

}  // namespace

std::span<const OptionKey> StoreChoice::Keys() { return kKeys; }

StoreChoice StoreChoice::Load(const std::string& folder) {
  const ProfileFile file(PathInFolder(folder, "Option.ini"));
  StoreChoice choice;
  const std::string kind = file.ReadString(kSection, kKindKey.Name, kKindKey.Default);
  bool known = kind.empty();  // a key left empty keeps the default
  for (const KindName& name : kKindNames) {
    // Option.ini is edited by hand; the names match in any letter case, as its keys do.
    if (SameAsciiText(kind, name.Name)) {
      choice.Kind = name.Kind;
      known = true;
    }
  }
  if (!known) {
    throw Error("Option.ini [Store] Kind=" + kind + ": the store is SQLite or PostgreSQL");
  }
  // The server's keys concern the PostgreSQL store only: a slip in them never stops a desk
  // that keeps Client.mdb.
  if (choice.Kind != StoreKind::PostgreSQL) return choice;
  choice.Postgres.Connection =
      file.ReadString(kSection, kConnectionKey.Name, kConnectionKey.Default);
  const std::string verify =
      file.ReadString(kSection, kVerifyServerKey.Name, kVerifyServerKey.Default);
  const std::optional<int32_t> verifyNumber =
      verify.empty() ? kVerifyServerKey.NumberDefault() : TryStrToInt(verify);
  if (!verifyNumber) {
    throw Error("Option.ini [Store] VerifyServer=" + verify +
                ": 1 verifies the server's certificate, 0 connects unverified");
  }
  choice.Postgres.VerifyServer = *verifyNumber != 0;
  return choice;
}

std::unique_ptr<RecordStore> MakeRecordStore(const StoreChoice& choice, const std::string& folder,
                                             TLogFile& log, ServiceStatus* status) {
  if (choice.Kind == StoreChoice::StoreKind::PostgreSQL) {
    // A desk is its computer and its folder, as it is again after a restart.
    return MakePostgresRecordStore(choice.Postgres, log, status,
                                   HostName() + ":" + AnsiFromPath(folder));
  }
  return std::make_unique<TDoorlockRecordManager>(
      PathInFolder(folder, TDoorlockRecordManager::kFileName), log, status);
}

}  // namespace keydesk
