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

constexpr std::string_view kSection = "Store";

struct KindName {
  std::string_view Name;
  StoreChoice::StoreKind Kind;
};

constexpr std::array<KindName, 2> kKindNames = {{
    {"SQLite", StoreChoice::StoreKind::SQLite},
    {"PostgreSQL", StoreChoice::StoreKind::PostgreSQL},
}};

// Option.ini is edited by hand; the names match without regard to letter case, as its keys do.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

StoreChoice StoreChoice::Load(const std::string& folder) {
  const ProfileFile file(PathInFolder(folder, "Option.ini"));
  StoreChoice choice;
  const std::string kind = file.ReadString(kSection, "Kind", kKindNames[0].Name);
  bool known = kind.empty();  // a key left empty keeps the default
  for (const KindName& name : kKindNames) {
    if (SameName(kind, name.Name)) {
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
  choice.Postgres.Connection = file.ReadString(kSection, "Connection", "");
  const std::string verify = file.ReadString(kSection, "VerifyServer", "1");
  const std::optional<int32_t> verifyNumber = verify.empty() ? 1 : TryStrToInt(verify);
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
