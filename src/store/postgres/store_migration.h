#pragma once

#include "store/postgres_store.h"

namespace keydesk {

class PgConnection;
class SqliteConnection;

// The copy of MigrateToPostgres (postgres_store.h), from an open file to a connection whose
// tables exist. Raises DatabaseError or PostgresError.
MigrationCounts CopyStore(SqliteConnection& file, PgConnection& server);

}  // namespace keydesk
