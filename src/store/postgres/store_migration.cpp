#include "store/postgres/store_migration.h"

#include <string>
#include <vector>

#include "platform/sqlite_statement.h"
#include "store/postgres/pg_connection.h"
#include "store/postgres/postgres_schema.h"

namespace keydesk {
namespace {

constexpr std::string_view kFileRooms =
    "select cast(RoomNo as text), cast(LastCheckInTime as text) from T_Room order by rowid";

// The room keeps the later time; times are text that sorts in time order, byte by byte.
constexpr std::string_view kMergeRoom =
    "insert into T_Room(RoomNo, LastCheckInTime) values($1, $2) "
    "on conflict (RoomNo) do update set LastCheckInTime = excluded.LastCheckInTime "
    "where T_Room.LastCheckInTime is null "
    "or T_Room.LastCheckInTime < excluded.LastCheckInTime collate \"C\"";

constexpr std::string_view kLockRoom = "select pg_advisory_xact_lock($1, hashtext($2))";

constexpr int kJournalColumns = 11;
// A file of an older keydesk has no IssueResult: its rows come without one.
constexpr std::string_view kFileHasResults =
    "select cast(count(*) as text) from pragma_table_info('T_IssueCardRecord') where name = "
    "'IssueResult'";
constexpr std::string_view kFileJournal =
    "select cast(rowid as text), cast(RegisterId as text), cast(CardNo as text), "
    "cast(RoomNo as text), cast(CardType as text), cast(LastCheckInTime as text), "
    "cast(CheckInTime as text), cast(CheckOutTime as text), cast(IsCopy as text), "
    "cast(GuestName as text), cast(OpratingTime as text), %RESULT% "
    "from T_IssueCardRecord order by rowid";

constexpr std::string_view kCreateImport =
    "create temporary table keydesk_import(Ord bigint, RegisterId text, CardNo text, "
    "RoomNo text, CardType integer, LastCheckInTime text, CheckInTime text, "
    "CheckOutTime text, IsCopy integer, GuestName text, OpratingTime text, IssueResult text) "
    "on commit drop";

// Two migrations at once would each count the other's rows as missing.
constexpr std::string_view kLockJournal = "select pg_advisory_xact_lock($1, 1)";

// A row's identity is the value of every column, NULLs included; the n-th copy of a row in
// the file is added when the table has fewer than n.
constexpr std::string_view kMergeJournal =
    "with incoming as ("
    " select i.*, row_number() over (partition by i.K order by i.Ord) as N from ("
    "  select keydesk_import.*, jsonb_build_array(RegisterId, CardNo, RoomNo, CardType, "
    "  LastCheckInTime, CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, "
    "  IssueResult) as K "
    "  from keydesk_import) i), "
    "present as ("
    " select jsonb_build_array(RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
    " CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, IssueResult) as K, "
    " count(*) as C "
    " from T_IssueCardRecord group by 1) "
    "insert into T_IssueCardRecord(RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
    "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, IssueResult) "
    "select i.RegisterId, i.CardNo, i.RoomNo, i.CardType, i.LastCheckInTime, i.CheckInTime, "
    "i.CheckOutTime, i.IsCopy, i.GuestName, i.OpratingTime, i.IssueResult "
    "from incoming i left join present p on p.K = i.K "
    "where i.N > coalesce(p.C, 0) order by i.Ord";

// Rows go to the server this many at a time.
constexpr size_t kBatchRows = 100;

// "insert into keydesk_import values ($1, ..., $11), ($12, ...)" for that many rows; only
// placeholders are written into the text.
std::string BatchInsert(size_t rows) {
  std::string sql = "insert into keydesk_import values ";
  int number = 1;
  for (size_t row = 0; row < rows; ++row) {
    sql += row == 0 ? "(" : ", (";
    for (int column = 0; column <= kJournalColumns; ++column) {
      sql += (column == 0 ? "$" : ", $") + std::to_string(number++);
    }
    sql += ")";
  }
  return sql;
}

void CopyRooms(SqliteConnection& file, PgConnection& server, MigrationCounts& counts) {
  SqliteStatement rooms(file, kFileRooms);
  while (rooms.Step()) {
    const std::optional<std::string> room = rooms.ColumnText(0);
    // Each room under its own lock, as a desk issuing a card for it holds it.
    server.Execute("begin");
    server.Execute(kLockRoom, {kRoomLockClass, room});
    counts.Rooms += server.Execute(kMergeRoom, {room, rooms.ColumnText(1)}).Affected();
    server.Execute("commit");
    ++counts.RoomsInFile;
  }
}

void CopyJournal(SqliteConnection& file, PgConnection& server, MigrationCounts& counts) {
  server.Execute("begin");
  server.Execute(kLockJournal, {kTablesLockClass});
  server.Execute(kCreateImport);
  std::string select(kFileJournal);
  const bool hasResults = file.QueryText(std::string(kFileHasResults)) == "1";
  select.replace(select.find("%RESULT%"), 8, hasResults ? "cast(IssueResult as text)" : "null");
  SqliteStatement rows(file, select);
  std::vector<PgParameter> batch;
  auto send = [&] {
    if (batch.empty()) return;
    server.Execute(BatchInsert(batch.size() / (kJournalColumns + 1)), batch);
    batch.clear();
  };
  while (rows.Step()) {
    for (int column = 0; column <= kJournalColumns; ++column) {
      batch.push_back(rows.ColumnText(column));
    }
    ++counts.RowsInFile;
    if (batch.size() == kBatchRows * (kJournalColumns + 1)) send();
  }
  send();
  counts.Rows = server.Execute(kMergeJournal).Affected();
  server.Execute("commit");
}

}  // namespace

MigrationCounts CopyStore(SqliteConnection& file, PgConnection& server) {
  // A large journal takes longer than a request's statement may.
  server.Execute("set statement_timeout = 0");
  MigrationCounts counts;
  CopyRooms(file, server, counts);
  CopyJournal(file, server, counts);
  return counts;
}

}  // namespace keydesk
