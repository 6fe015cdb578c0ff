#include "store/journal_reader.h"

#include <sqlite3.h>

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/sqlite_statement.h"

namespace keydesk {
namespace {

// Room and day are bound, never pasted into the text; instr keeps "%" and "_" in a typed
// room from acting as patterns.
// A file that the service has not opened since keydesk kept results has no IssueResult.
constexpr std::string_view kHasResults =
    "select cast(count(*) as text) from pragma_table_info('T_IssueCardRecord') where name = "
    "'IssueResult'";
constexpr std::string_view kSelectJournal =
    "select RoomNo, GuestName, CheckInTime, CheckOutTime, CardNo, cast(IsCopy as text), "
    "OpratingTime, %RESULT% "
    "from T_IssueCardRecord "
    "where (:Room = '' or instr(RoomNo, :Room) > 0) "
    "and (:Day = '' or substr(OpratingTime, 1, 10) = :Day) "
    "order by OpratingTime desc, rowid desc limit :Limit";

// The service writes at most for a moment; a reader waits no longer than this for it.
constexpr int kBusyTimeoutMilliseconds = 500;

}  // namespace

std::vector<JournalRow> ReadJournal(const std::string& fileName, const JournalFilter& filter) {
  std::string day;
  if (!filter.Day.empty()) {
    // Whatever the operator typed, the comparison is with the stored form.
    day = FormatDateTime("yyyy-mm-dd", StrToDateTime(filter.Day));
  }
  SqliteConnection connection(fileName, SQLITE_OPEN_READONLY);
  connection.SetBusyTimeout(kBusyTimeoutMilliseconds);
  std::string select(kSelectJournal);
  const bool hasResults = connection.QueryText(std::string(kHasResults)) == "1";
  select.replace(select.find("%RESULT%"), 8, hasResults ? "IssueResult" : "null");
  SqliteStatement statement(connection, select);
  statement.BindText(":Room", Utf8FromAnsi(filter.Room));
  statement.BindText(":Day", day);
  statement.BindInt(":Limit", filter.Limit);
  std::vector<JournalRow> rows;
  // The file holds UTF-8; texts inside the system are code page 936.
  auto text = [&statement](int column) {
    return AnsiFromUtf8(statement.ColumnText(column).value_or(""));
  };
  while (statement.Step()) {
    JournalRow row;
    row.RoomNo = text(0);
    row.GuestName = text(1);
    row.CheckInTime = text(2);
    row.CheckOutTime = text(3);
    row.CardNo = text(4);
    row.IsCopy = text(5) == "1";
    row.OpratingTime = text(6);
    row.IssueResult = text(7);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace keydesk
