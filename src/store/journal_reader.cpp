#include "store/journal_reader.h"

#include <sqlite3.h>

#include "platform/code_page.h"
#include "platform/sqlite_statement.h"
#include "store/journal_query.h"

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
};

// The service writes at most for a moment; a reader waits no longer than this for it.
constexpr int kBusyTimeoutMilliseconds = 500;

void Bind(SqliteStatement& statement, const JournalQuery& query) {
  for (size_t i = 0; i < query.Values.size(); ++i) {
    statement.BindText(("?" + std::to_string(i + 1)).c_str(), query.Values[i]);
  }
}

}  // namespace

JournalPage ReadJournalFile(const std::string& fileName, const JournalFilter& filter) {
  const JournalQuery query(filter, kSqlite);
  SqliteConnection connection(fileName, SQLITE_OPEN_READONLY);
  connection.SetBusyTimeout(kBusyTimeoutMilliseconds);
  const bool hasResults = connection.QueryText(std::string(kHasResults)) == "1";

  JournalPage page;
  SqliteStatement count(connection,
                        "select cast(count(*) as text) from T_IssueCardRecord" + query.Where);
  Bind(count, query);
  if (count.Step()) page.Total = std::stoll(count.ColumnText(0).value_or("0"));

  SqliteStatement rows(
      connection,
      "select RoomNo, GuestName, CheckInTime, CheckOutTime, CardNo, cast(IsCopy as text), "
      "OpratingTime, " +
          std::string(hasResults ? "IssueResult" : "null") + " from T_IssueCardRecord" +
          query.Where + query.OrderBy + " limit " + std::to_string(filter.Limit) + " offset " +
          std::to_string(filter.Offset));
  Bind(rows, query);
  // The file holds UTF-8; texts inside the system are code page 936.
  auto text = [&rows](int column) { return AnsiFromUtf8(rows.ColumnText(column).value_or("")); };
  while (rows.Step()) {
    JournalRow row;
    row.RoomNo = text(0);
    row.GuestName = text(1);
    row.CheckInTime = text(2);
    row.CheckOutTime = text(3);
    row.CardNo = text(4);
    row.IsCopy = text(5) == "1";
    row.OpratingTime = text(6);
    row.IssueResult = text(7);
    page.Rows.push_back(std::move(row));
  }
  return page;
}

}  // namespace keydesk
