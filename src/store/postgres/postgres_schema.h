#pragma once

namespace keydesk {

class PgConnection;

// The advisory lock classes keydesk takes (the first key of pg_advisory_xact_lock), so that
// its locks do not meet another program's in the same database.
inline constexpr const char* kTablesLockClass = "4801";
inline constexpr const char* kRoomLockClass = "4802";

// Makes T_Room and T_IssueCardRecord with their indexes where any is missing, under a lock
// so that desks starting together do not collide. Tables that exist are left as they are
// (the database's owner may have made them, granting keydesk only their rows). Raises
// PostgresError.
void EnsureTables(PgConnection& connection);

}  // namespace keydesk
