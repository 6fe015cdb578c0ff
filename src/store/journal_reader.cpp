#include "store/journal_reader.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/code_page.h"
#include "platform/sqlite_statement.h"
#include "store/journal_query.h"
#include "store/room_cards.h"

namespace keydesk {
namespace {

// A file that the service has not opened since keydesk kept results has no IssueResult.
constexpr std::string_view kHasResults =
    "select cast(count(*) as text) from pragma_table_info('T_IssueCardRecord') "
    "where name = 'IssueResult'";

// instr keeps "%" and "_" in a typed part from acting as patterns.
const JournalQuery::Dialect kSqlite = {
    "instr({column}, {value}) > 0",
    [](int n) { return "?" + std::to_string(n); },
    "rowid",
    // As ranges around the two, so that the result's index can find them.
    "(IssueResult > '' and IssueResult < {lo} or IssueResult > {lo} and IssueResult < {hi} "
    "or IssueResult > {hi})",
};

// The service writes at most for a moment; a reader waits no longer than this for it.
constexpr int kBusyTimeoutMilliseconds = 500;

// A room's rows from the first whose card has not expired at ?2 on, so that the later normal
// cards that shut an earlier one out are among them; none when every card has expired.
constexpr std::string_view kRoomRowsWhere =
    " from T_IssueCardRecord where RoomNo = ?1 and rowid >= (select min(rowid) from "
    "T_IssueCardRecord where RoomNo = ?1 and CheckOutTime >= ?2) order by rowid desc";

// A read-only connection of its own, and whether the file keeps each attempt's result.
struct JournalFile {
  explicit JournalFile(const std::string& fileName) : Connection(fileName, SQLITE_OPEN_READONLY) {
    Connection.SetBusyTimeout(kBusyTimeoutMilliseconds);
    HasResults = Connection.QueryText(std::string(kHasResults)) == "1";
  }

  // The columns that ReadRow reads, in its order.
  std::string Columns() const {
    return "select RoomNo, GuestName, CheckInTime, CheckOutTime, CardNo, cast(IsCopy as text), "
           "OpratingTime, " +
           std::string(HasResults ? "IssueResult" : "null") + ", LastCheckInTime";
  }

  SqliteConnection Connection;
  bool HasResults = false;
};

JournalRow ReadRow(const SqliteStatement& rows) {
  // The file holds UTF-8; texts inside the system are code page 936.
  auto text = [&rows](int column) { return AnsiFromUtf8(rows.ColumnText(column).value_or("")); };
  JournalRow row;
  row.RoomNo = text(0);
  row.GuestName = text(1);
  row.CheckInTime = text(2);
  row.CheckOutTime = text(3);
  row.CardNo = text(4);
  row.IsCopy = text(5) == "1";
  row.OpratingTime = text(6);
  row.IssueResult = text(7);
  row.LastCheckInTime = text(8);
  return row;
}

void Bind(SqliteStatement& statement, const JournalQuery& query) {
  for (size_t i = 0; i < query.Values.size(); ++i) {
    statement.BindText(("?" + std::to_string(i + 1)).c_str(), query.Values[i]);
  }
}

}  // namespace

JournalPage ReadJournalFile(const std::string& fileName, const JournalFilter& filter) {
  const JournalQuery query(filter, kSqlite);
  JournalFile file(fileName);

  JournalPage page;
  SqliteStatement count(file.Connection,
                        "select cast(count(*) as text) from T_IssueCardRecord" + query.Where);
  Bind(count, query);
  if (count.Step()) page.Total = std::stoll(count.ColumnText(0).value_or("0"));

  const JournalWindow window = NearerEnd(page.Total, filter.Offset, filter.Limit);
  SqliteStatement rows(file.Connection,
                       file.Columns() + " from T_IssueCardRecord" + query.Where +
                           (window.Reversed ? query.ReversedOrderBy : query.OrderBy) + " limit " +
                           std::to_string(window.Limit) + " offset " +
                           std::to_string(window.Offset));
  Bind(rows, query);
  while (rows.Step()) page.Rows.push_back(ReadRow(rows));
  if (window.Reversed) std::reverse(page.Rows.begin(), page.Rows.end());
  return page;
}

void ForEachJournalFileRow(const std::string& fileName, const JournalFilter& filter,
                           const std::function<void(const JournalRow&)>& each) {
  const JournalQuery query(filter, kSqlite);
  JournalFile file(fileName);
  SqliteStatement rows(file.Connection,
                       file.Columns() + " from T_IssueCardRecord" + query.Where + query.OrderBy);
  Bind(rows, query);
  while (rows.Step()) each(ReadRow(rows));
}

RoomCards ReadRoomCardsFile(const std::string& fileName, const std::string& RoomNo, DateTime now) {
  JournalFile file(fileName);
  SqliteStatement rows(file.Connection, file.Columns() + std::string(kRoomRowsWhere));
  rows.BindText("?1", Utf8FromAnsi(RoomNo));
  rows.BindText("?2", StoredTimeText(now));
  std::vector<JournalRow> newestFirst;
  while (rows.Step()) newestFirst.push_back(ReadRow(rows));
  return RoomCardsAt(newestFirst, now);
}

}  // namespace keydesk
