// The PostgreSQL store's entry points for builds without libpq (the 64-bit Windows build).
#include "platform/errors.h"
#include "store/postgres_store.h"

namespace keydesk {
namespace {

[[noreturn]] void Unavailable() {
  throw Error(
      "This keydesk was built without PostgreSQL: set [Store] Kind=SQLite in Option.ini, or "
      "run a keydesk built with libpq");
}

}  // namespace

std::unique_ptr<RecordStore> MakePostgresRecordStore(const std::string&, TLogFile&,
                                                     ServiceStatus*) {
  Unavailable();
}

std::string DescribePostgresStore(const std::string&) { Unavailable(); }

void CreatePostgresTables(const std::string&) { Unavailable(); }

MigrationCounts MigrateToPostgres(const std::string&, const std::string&) { Unavailable(); }

}  // namespace keydesk
