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

std::unique_ptr<RecordStore> MakePostgresRecordStore(const PostgresSettings&, TLogFile&,
                                                     ServiceStatus*, const std::string&) {
  Unavailable();
}

std::string DescribePostgresStore(const PostgresSettings&) { Unavailable(); }

bool PostgresServerUnverified(const PostgresSettings&) { Unavailable(); }

void CreatePostgresTables(const PostgresSettings&) { Unavailable(); }

MigrationCounts MigrateToPostgres(const std::string&, const PostgresSettings&) { Unavailable(); }

}  // namespace keydesk
