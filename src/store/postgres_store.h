#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/record_store.h"

namespace keydesk {

class ServiceStatus;
class TLogFile;

// The record store on a PostgreSQL server, for several desks sharing room times and the
// journal. Only builds that found libpq have it; elsewhere every function here raises Error
// saying so.

// What Option.ini's [Store] says of the server: the libpq connection string (code page 936;
// the password comes from libpq's password file or environment, and a string holding one is
// refused), and whether a server on another machine must show a certificate that verifies
// (VerifyServer=0 connects unverified, as the string's own sslmode says).
struct PostgresSettings {
  std::string Connection;
  bool VerifyServer = true;
};

// Raises Error when the connection string cannot be read or is refused; connects to nothing
// yet. desk names this desk among those sharing the server (code page 936).
std::unique_ptr<RecordStore> MakePostgresRecordStore(const PostgresSettings& settings,
                                                     TLogFile& log, ServiceStatus* status,
                                                     const std::string& desk = {});

// Which server and database the string names, for messages; never the password.
std::string DescribePostgresStore(const PostgresSettings& settings);

// Whether the server may be on another machine and its certificate is not verified.
bool PostgresServerUnverified(const PostgresSettings& settings);

// Makes the two tables where absent. Raises Error.
void CreatePostgresTables(const PostgresSettings& settings);

struct MigrationCounts {
  int64_t Rooms = 0;        // rooms added, or given Client.mdb's later time
  int64_t RoomsInFile = 0;  // rooms in Client.mdb
  int64_t Rows = 0;         // journal rows added
  int64_t RowsInFile = 0;   // journal rows in Client.mdb
};

// Copies the rooms and journal rows of the SQLite file clientMdb into the server, so that a
// second run adds nothing. A room already there keeps the later of the two times: the later
// one is the start of the room's most recent normal card, which copy cards must carry. A
// journal row counts as there when a row with the same value in every column is; rows that
// are alike in every column are copied as often as the file has them. Raises Error.
MigrationCounts MigrateToPostgres(const std::string& clientMdb, const PostgresSettings& settings);

}  // namespace keydesk
