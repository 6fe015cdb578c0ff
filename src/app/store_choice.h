#pragma once

#include <memory>
#include <span>
#include <string>

#include "core/option_key.h"

#include "store/postgres_store.h"

namespace keydesk {

class RecordStore;
class ServiceStatus;
class TLogFile;

// Where the issue-card records are kept, as [Store] in Option.ini says: Kind=SQLite (the
// default) keeps them in Client.mdb in the folder, for a desk of its own; Kind=PostgreSQL on
// the server that Connection names (a libpq connection string), shared by several desks,
// whose certificate must verify when it is on another machine unless VerifyServer=0.
struct StoreChoice {
  enum class StoreKind { SQLite, PostgreSQL };

  StoreKind Kind = StoreKind::SQLite;
  // Connection and VerifyServer (1 unless 0), for PostgreSQL.
  PostgresSettings Postgres;

  // The descriptions of the [Store] keys.
  static std::span<const OptionKey> Keys();

  // Reads [Store] of the folder's Option.ini. Raises Error for a Kind that is neither.
  static StoreChoice Load(const std::string& folder);
};

// The chosen store, not opened yet. Raises Error when it cannot be had: PostgreSQL in a
// build without it, or a connection string that libpq cannot read.
std::unique_ptr<RecordStore> MakeRecordStore(const StoreChoice& choice, const std::string& folder,
                                             TLogFile& log, ServiceStatus* status);

}  // namespace keydesk
