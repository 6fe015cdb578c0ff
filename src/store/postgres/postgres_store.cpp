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

ConnectionParameters Parameters(const PostgresSettings& settings) {
  return ConnectionParameters::FromString(settings.Connection, settings.VerifyServer);
}

}  // namespace

std::unique_ptr<RecordStore> MakePostgresRecordStore(const PostgresSettings& settings,
                                                     TLogFile& log, ServiceStatus* status,
                                                     const std::string& desk) {
  return std::make_unique<PostgresRecordStore>(Parameters(settings), log, status, desk);
}

std::string DescribePostgresStore(const PostgresSettings& settings) {
  return DescribeConnection(Parameters(settings));
}

bool PostgresServerUnverified(const PostgresSettings& settings) {
  return Parameters(settings).Unverified;
}

void CreatePostgresTables(const PostgresSettings& settings) {
  PgConnection server(Parameters(settings));
  EnsureTables(server);
}

MigrationCounts MigrateToPostgres(const std::string& clientMdb, const PostgresSettings& settings) {
  const ConnectionParameters parameters = Parameters(settings);
  SqliteConnection file(clientMdb, SQLITE_OPEN_READONLY);
  PgConnection server(parameters, kMigrationAnswerWait);
  EnsureTables(server);
  return CopyStore(file, server);
}

}  // namespace keydesk
