// The PostgreSQL store's entry points, for builds with libpq.
#include "store/postgres_store.h"

#include <sqlite3.h>

#include "platform/sqlite_statement.h"
#include "store/postgres/connection_parameters.h"
#include "store/postgres/pg_connection.h"
#include "store/postgres/postgres_record_store.h"
#include "store/postgres/postgres_schema.h"
#include "store/postgres/store_migration.h"

namespace keydesk {
namespace {

// The migration waits for the server as long as a large journal needs.
constexpr std::chrono::seconds kMigrationAnswerWait{600};

}  // namespace

std::unique_ptr<RecordStore> MakePostgresRecordStore(const std::string& connection, TLogFile& log,
                                                     ServiceStatus* status) {
  return std::make_unique<PostgresRecordStore>(connection, log, status);
}

std::string DescribePostgresStore(const std::string& connection) {
  return DescribeConnection(ConnectionParameters::FromString(connection));
}

void CreatePostgresTables(const std::string& connection) {
  PgConnection server(ConnectionParameters::FromString(connection));
  EnsureTables(server);
}

MigrationCounts MigrateToPostgres(const std::string& clientMdb, const std::string& connection) {
  const ConnectionParameters parameters = ConnectionParameters::FromString(connection);
  SqliteConnection file(clientMdb, SQLITE_OPEN_READONLY);
  PgConnection server(parameters, kMigrationAnswerWait);
  EnsureTables(server);
  return CopyStore(file, server);
}

}  // namespace keydesk
