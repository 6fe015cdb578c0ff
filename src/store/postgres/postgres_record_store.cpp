#include "store/postgres/postgres_record_store.h"

#include <algorithm>

#include "platform/code_page.h"
#include "store/issue_result.h"
#include "store/journal_query.h"
#include "store/postgres/postgres_room_hold.h"
#include "store/postgres/postgres_schema.h"
#include "store/postgres/postgres_time.h"
#include "store/room_cards.h"

namespace keydesk {
namespace {

constexpr std::string_view kInsertIssueCardRecord =
    "insert into T_IssueCardRecord(RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
    "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, IssueResult) "
    "values($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11)";

constexpr std::string_view kBeginIssueCardRecord =
    "insert into T_IssueCardRecord(RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
    "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, IssueResult, Desk) "
    "values($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12) returning Id::text";
constexpr std::string_view kCompleteIssueCardRecord =
    "update T_IssueCardRecord set CardNo = $2, IssueResult = $3 where Id = $1::bigint";
constexpr std::string_view kMarkInterrupted =
    "update T_IssueCardRecord set IssueResult = $1 where IssueResult = $2 and Desk = $3";

// The newest row of a card, and whether a normal card for its room that may have been
// written (any but a failed or refused attempt) was journaled after it.
constexpr std::string_view kSelectIssuedCard =
    "select r.RoomNo, r.GuestName, r.CheckInTime, r.CheckOutTime, r.IsCopy::text, "
    "exists(select 1 from T_IssueCardRecord later where later.RoomNo = r.RoomNo "
    "and later.IsCopy = 0 and later.Id > r.Id and not (starts_with(coalesce(later.IssueResult, "
    "''), $2) or starts_with(coalesce(later.IssueResult, ''), $3)))::int::text, "
    "r.LastCheckInTime, r.IssueResult "
    "from T_IssueCardRecord r where r.CardNo = $1 order by r.Id desc limit 1";

// strpos keeps "%" and "_" in a typed part from acting as patterns.
const JournalQuery::Dialect kPostgres = {
    "strpos({column}, {value}) > 0",
    [](int n) { return "$" + std::to_string(n); },
    "Id",
    "coalesce(IssueResult, '') not in ('', {lo}, {hi})",
};

// Rows an export fetches from its cursor at a time.
constexpr int kFetchRows = 1000;

// The columns that RowAt reads, in its order.
constexpr std::string_view kJournalColumns =
    "select RoomNo, GuestName, CheckInTime, CheckOutTime, CardNo, IsCopy::text, OpratingTime, "
    "IssueResult, LastCheckInTime";

// A room's rows from the first whose card has not expired at $2 on, so that the later normal
// cards that shut an earlier one out are among them; none when every card has expired.
constexpr std::string_view kRoomRowsWhere =
    " from T_IssueCardRecord where RoomNo = $1 and Id >= (select min(Id) from "
    "T_IssueCardRecord where RoomNo = $1 and CheckOutTime >= $2) order by Id desc";

// The database holds UTF-8; texts inside the system are code page 936.
std::string Ansi(const PgResult& rows, int row, int column) {
  return AnsiFromUtf8(rows.Text(row, column).value_or(""));
}

JournalRow RowAt(const PgResult& rows, int r) {
  JournalRow row;
  row.RoomNo = Ansi(rows, r, 0);
  row.GuestName = Ansi(rows, r, 1);
  row.CheckInTime = Ansi(rows, r, 2);
  row.CheckOutTime = Ansi(rows, r, 3);
  row.CardNo = Ansi(rows, r, 4);
  row.IsCopy = Ansi(rows, r, 5) == "1";
  row.OpratingTime = Ansi(rows, r, 6);
  row.IssueResult = Ansi(rows, r, 7);
  row.LastCheckInTime = Ansi(rows, r, 8);
  return row;
}

}  // namespace

PostgresRecordStore::PostgresRecordStore(const ConnectionParameters& parameters, TLogFile& log,
                                         ServiceStatus* status, std::string desk)
    : log_(log),
      guard_(log, status),
      description_(DescribeConnection(parameters)),
      desk_(std::move(desk)),
      pool_(parameters, EnsureTables) {}

void PostgresRecordStore::Open(bool needed) {
  // A store the options leave unused is no one's concern; only its log line tells of it.
  guard_.Run([this] { pool_.Take(); }, /*report=*/needed);
}

bool PostgresRecordStore::IsOpen() const { return pool_.Connected(); }

std::unique_ptr<RoomTimes> PostgresRecordStore::HoldRoom(const std::string& RoomNo) {
  return std::make_unique<PostgresRoomHold>(pool_, guard_, log_, RoomNo);
}

DateTime PostgresRecordStore::GetLastCheckInTime(const std::string& RoomNo) {
  return HoldRoom(RoomNo)->GetLastCheckInTime();
}

void PostgresRecordStore::SetLastCheckInTime(const std::string& RoomNo, DateTime LastCheckInTime) {
  HoldRoom(RoomNo)->SetLastCheckInTime(LastCheckInTime);
}

void PostgresRecordStore::AddRoom(const std::string& RoomNo, DateTime LastCheckInTime) {
  HoldRoom(RoomNo)->AddRoom(LastCheckInTime);
}

void PostgresRecordStore::AddIssueCardRecord(const std::string& RegisterId,
                                             const std::string& CardNo, const std::string& RoomNo,
                                             int32_t CardType, DateTime LastCheckInTime,
                                             DateTime CheckInTime, DateTime CheckOutTime,
                                             bool IsCopy, const std::string& GuestName,
                                             DateTime OpratingTime,
                                             const std::string& IssueResult) {
  guard_.Run([&] {
    pool_.Take()->Execute(
        kInsertIssueCardRecord,
        {Utf8FromAnsi(RegisterId), Utf8FromAnsi(CardNo), Utf8FromAnsi(RoomNo),
         std::to_string(CardType), StoredTime(LastCheckInTime), StoredTime(CheckInTime),
         StoredTime(CheckOutTime), IsCopy ? "1" : "0", Utf8FromAnsi(GuestName),
         StoredTime(OpratingTime), Utf8FromAnsi(IssueResult)});
  });
}

std::optional<int64_t> PostgresRecordStore::BeginIssueCardRecord(const IssueCardRecord& record,
                                                                 std::string& error) {
  std::optional<int64_t> id;
  guard_.Run(
      [&] {
        const PgResult rows = pool_.Take()->Execute(
            kBeginIssueCardRecord,
            {Utf8FromAnsi(record.RegisterId), Utf8FromAnsi(record.CardNo),
             Utf8FromAnsi(record.RoomNo), std::to_string(record.CardType),
             StoredTime(record.LastCheckInTime), StoredTime(record.CheckInTime),
             StoredTime(record.CheckOutTime), record.IsCopy ? "1" : "0",
             Utf8FromAnsi(record.GuestName), StoredTime(record.OpratingTime),
             Utf8FromAnsi(record.IssueResult), Utf8FromAnsi(desk_)});
        id = std::stoll(rows.Text(0, 0).value_or("0"));
      },
      /*report=*/true, &error);
  return id;
}

bool PostgresRecordStore::CompleteIssueCardRecord(int64_t id, const std::string& CardNo,
                                                  const std::string& IssueResult) {
  return guard_.Run([&] {
    pool_.Take()->Execute(kCompleteIssueCardRecord,
                          {std::to_string(id), Utf8FromAnsi(CardNo), Utf8FromAnsi(IssueResult)});
  });
}

int PostgresRecordStore::MarkInterruptedRecords() {
  int marked = -1;
  guard_.Run([&] {
    const PgResult rows = pool_.Take()->Execute(
        std::string(kMarkInterrupted) + " returning 1",
        {Utf8FromAnsi(InterruptedResult()), Utf8FromAnsi(WritingResult()), Utf8FromAnsi(desk_)});
    marked = rows.Rows();
  });
  return marked;
}

bool PostgresRecordStore::FindIssuedCard(const std::string& CardNo,
                                         std::optional<TIssuedCard>& Card) {
  Card.reset();
  return guard_.Run([&] {
    const PgResult rows = pool_.Take()->Execute(
        kSelectIssuedCard,
        {Utf8FromAnsi(CardNo), Utf8FromAnsi(FailedResult({})), Utf8FromAnsi(RefusedResult({}))});
    if (rows.Rows() == 0) return;
    Card = TIssuedCard{.RoomNo = Ansi(rows, 0, 0),
                       .GuestName = Ansi(rows, 0, 1),
                       .CheckInTime = Ansi(rows, 0, 2),
                       .CheckOutTime = Ansi(rows, 0, 3),
                       .LastCheckInTime = Ansi(rows, 0, 6),
                       .IssueResult = Ansi(rows, 0, 7),
                       .IsCopy = Ansi(rows, 0, 4) == "1",
                       .Superseded = Ansi(rows, 0, 5) == "1"};
  });
}

JournalPage PostgresRecordStore::ReadJournalPage(const JournalFilter& filter) {
  const JournalQuery query(filter, kPostgres);
  std::vector<PgParameter> values(query.Values.begin(), query.Values.end());
  const auto connection = pool_.Take();
  JournalPage page;
  const PgResult count =
      connection->Execute("select count(*)::text from T_IssueCardRecord" + query.Where, values);
  page.Total = std::stoll(count.Text(0, 0).value_or("0"));
  const JournalWindow window = NearerEnd(page.Total, filter.Offset, filter.Limit);
  const PgResult rows = connection->Execute(
      std::string(kJournalColumns) + " from T_IssueCardRecord" + query.Where +
          (window.Reversed ? query.ReversedOrderBy : query.OrderBy) + " limit " +
          std::to_string(window.Limit) + " offset " + std::to_string(window.Offset),
      values);
  for (int r = 0; r < rows.Rows(); ++r) page.Rows.push_back(RowAt(rows, r));
  if (window.Reversed) std::reverse(page.Rows.begin(), page.Rows.end());
  return page;
}

void PostgresRecordStore::ForEachJournalRow(const JournalFilter& filter,
                                            const std::function<void(const JournalRow&)>& each) {
  const JournalQuery query(filter, kPostgres);
  std::vector<PgParameter> values(query.Values.begin(), query.Values.end());
  const auto connection = pool_.Take();
  // A cursor hands the rows over a batch at a time. A failure leaves the transaction open:
  // the pool does not use such a connection again, and the server rolls it back.
  connection->Execute("begin");
  connection->Execute("declare journal_rows no scroll cursor for " + std::string(kJournalColumns) +
                          " from T_IssueCardRecord" + query.Where + query.OrderBy,
                      values);
  for (;;) {
    const PgResult rows =
        connection->Execute("fetch " + std::to_string(kFetchRows) + " from journal_rows");
    for (int r = 0; r < rows.Rows(); ++r) each(RowAt(rows, r));
    if (rows.Rows() < kFetchRows) break;
  }
  connection->Execute("commit");
}

RoomCards PostgresRecordStore::ReadRoomCards(const std::string& RoomNo, DateTime now) {
  const PgResult rows =
      pool_.Take()->Execute(std::string(kJournalColumns) + std::string(kRoomRowsWhere),
                            {Utf8FromAnsi(RoomNo), StoredTime(now)});
  std::vector<JournalRow> newestFirst;
  for (int r = 0; r < rows.Rows(); ++r) newestFirst.push_back(RowAt(rows, r));
  return RoomCardsAt(newestFirst, now);
}

}  // namespace keydesk
