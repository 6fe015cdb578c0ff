#include "store/postgres/postgres_schema.h"

#include <array>

#include "store/postgres/pg_connection.h"

namespace keydesk {
namespace {

constexpr std::string_view kAllPresent =
    "select to_regclass('t_room') is not null and to_regclass('ux_t_room_roomno') is not null "
    "and to_regclass('t_issuecardrecord') is not null and exists(select 1 from "
    "information_schema.columns where table_name = 't_issuecardrecord' "
    "and column_name = 'issueresult') and exists(select 1 from information_schema.columns "
    "where table_name = 't_issuecardrecord' and column_name = 'desk') "
    "and to_regclass('ix_t_issuecardrecord_issueresult') is not null";

// The columns and texts of Client.mdb, so that rows compare across the two stores; times
// sort as text, byte by byte as there. The journal's order is kept in Id, where the file
// has its rowid. The journal's operation-time column is spelt OpratingTime, as in the file.
constexpr std::array<std::string_view, 14> kCreate = {
    "create table if not exists T_Room(RoomNo text not null, "
    "LastCheckInTime text collate \"C\")",
    "create unique index if not exists UX_T_Room_RoomNo on T_Room(RoomNo)",
    "create table if not exists T_IssueCardRecord("
    "Id bigint generated always as identity primary key, RegisterId text, CardNo text, "
    "RoomNo text, CardType integer, LastCheckInTime text collate \"C\", "
    "CheckInTime text collate \"C\", CheckOutTime text collate \"C\", IsCopy integer, "
    "GuestName text, OpratingTime text collate \"C\")",
    // A card read looks its number up, and then the room's later cards.
    "create index if not exists IX_T_IssueCardRecord_CardNo on T_IssueCardRecord(CardNo)",
    "create index if not exists IX_T_IssueCardRecord_RoomNo on T_IssueCardRecord(RoomNo, Id)",
    "create index if not exists IX_T_IssueCardRecord_OpratingTime "
    "on T_IssueCardRecord(OpratingTime)",
    // What came of each attempt; empty for rows journaled before keydesk kept it.
    "alter table T_IssueCardRecord add column if not exists IssueResult text",
    // Which desk wrote the row, so that a desk starting again marks interrupted only its own
    // attempts, not those of a desk that is writing a card now.
    "alter table T_IssueCardRecord add column if not exists Desk text",
    // Every column the journal window sorts by, so that a page in any order is read through
    // an index; the result's comes last, as the check above looks for it.
    "create index if not exists IX_T_IssueCardRecord_GuestName on T_IssueCardRecord(GuestName, Id)",
    "create index if not exists IX_T_IssueCardRecord_LastCheckInTime "
    "on T_IssueCardRecord(LastCheckInTime, Id)",
    "create index if not exists IX_T_IssueCardRecord_CheckOutTime "
    "on T_IssueCardRecord(CheckOutTime, Id)",
    "create index if not exists IX_T_IssueCardRecord_CardNoOrder "
    "on T_IssueCardRecord(length(CardNo), CardNo, Id)",
    "create index if not exists IX_T_IssueCardRecord_IsCopy on T_IssueCardRecord(IsCopy, Id)",
    "create index if not exists IX_T_IssueCardRecord_IssueResult "
    "on T_IssueCardRecord(IssueResult, Id)",
};

}  // namespace

void EnsureTables(PgConnection& connection) {
  if (connection.Execute(kAllPresent).Text(0, 0) == "t") return;
  // A failure leaves the transaction open: such a connection is not used again, and the
  // server rolls it back.
  connection.Execute("begin");
  connection.Execute("select pg_advisory_xact_lock($1, 0)", {kTablesLockClass});
  for (std::string_view statement : kCreate) connection.Execute(statement);
  connection.Execute("commit");
}

}  // namespace keydesk
