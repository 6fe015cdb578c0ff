#include "app/store_commands.h"

#include <ostream>

#include "app/new_install_options.h"
#include "app/store_choice.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "store/doorlock_record_manager.h"
#include "store/postgres_store.h"

namespace keydesk {
namespace {

int InitDatabase(const std::string& folder, std::ostream& err) {
  const std::string fileName = PathInFolder(folder, TDoorlockRecordManager::kFileName);
  std::string error;
  if (!TDoorlockRecordManager::CreateDatabase(fileName, error)) {
    err << "keydesk: cannot create " << Utf8FromPath(fileName) << ": " << Utf8FromAnsi(error)
        << std::endl;
    return 1;
  }
  return 0;
}

}  // namespace

int InitStore(const std::string& folder, std::ostream& err) {
  try {
    if (const std::string options = WriteNewInstallOptions(folder); !options.empty()) {
      err << "keydesk: wrote " << Utf8FromPath(options) << ": only this machine ("
          << kNewInstallAllowedHosts << ") may connect until [Network] AllowedHosts names the PMS"
          << std::endl;
    }
  } catch (const Error& error) {
    err << "keydesk: " << Utf8FromAnsi(error.what()) << std::endl;
    return 1;
  }
  try {
    const StoreChoice choice = StoreChoice::Load(folder);
    if (choice.Kind == StoreChoice::StoreKind::SQLite) return InitDatabase(folder, err);
    CreatePostgresTables(choice.Postgres);
    return 0;
  } catch (const Error& error) {
    err << "keydesk: cannot create the tables: " << Utf8FromAnsi(error.what()) << std::endl;
    return 1;
  }
}

int MigrateStore(const std::string& folder, std::ostream& out, std::ostream& err) {
  const std::string fileName = PathInFolder(folder, TDoorlockRecordManager::kFileName);
  try {
    const StoreChoice choice = StoreChoice::Load(folder);
    if (choice.Kind != StoreChoice::StoreKind::PostgreSQL) {
      err << "keydesk: --migrate-store copies Client.mdb into the PostgreSQL store: set "
             "[Store] Kind=PostgreSQL and Connection in "
          << Utf8FromPath(PathInFolder(folder, "Option.ini")) << std::endl;
      return 1;
    }
    const MigrationCounts counts = MigrateToPostgres(fileName, choice.Postgres);
    out << "keydesk: copied " << counts.Rooms << " of " << counts.RoomsInFile << " rooms and "
        << counts.Rows << " of " << counts.RowsInFile << " journal rows from "
        << Utf8FromPath(fileName) << " to " << Utf8FromAnsi(DescribePostgresStore(choice.Postgres))
        << std::endl;
    return 0;
  } catch (const Error& error) {
    err << "keydesk: cannot copy " << Utf8FromPath(fileName) << ": " << Utf8FromAnsi(error.what())
        << std::endl;
    return 1;
  }
}

}  // namespace keydesk
