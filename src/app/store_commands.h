#pragma once

#include <iosfwd>
#include <string>

namespace keydesk {

// The command line's store work, each run instead of the service; they return the exit
// status and write their messages as UTF-8.

// --init-db: a new install's Option.ini where the folder has none (WriteNewInstallOptions),
// then Client.mdb with its two tables in the folder when it is absent, or, with [Store]
// Kind=PostgreSQL, the tables on the server where absent.
int InitStore(const std::string& folder, std::ostream& err);

// --migrate-store: copies the folder's Client.mdb into the PostgreSQL store that Option.ini
// names, and says on out how many rooms and journal rows it copied. Running it again copies
// nothing more.
int MigrateStore(const std::string& folder, std::ostream& out, std::ostream& err);

}  // namespace keydesk
