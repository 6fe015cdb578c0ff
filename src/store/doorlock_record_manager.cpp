#include "store/doorlock_record_manager.h"

#include <sqlite3.h>

#include <exception>
#include <optional>
#include <utility>

#include "core/log_file.h"
#include "core/service_status.h"
#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/sqlite_statement.h"
#include "store/issue_result.h"
#include "store/journal_reader.h"
#include "store/store_guard.h"

namespace keydesk {
namespace {

// The room key is bound here too, unlike the other statements' text, so that a key with an
// apostrophe cannot break or rewrite the query.
constexpr std::string_view kSelectRoomTime =
    "select LastCheckInTime from T_Room where RoomNo=:RoomNo";
constexpr std::string_view kUpdateRoomTime =
    "update T_Room set LastCheckInTime=:LastCheckInTime where RoomNo=:RoomNo";
constexpr std::string_view kInsertRoom =
    "insert into T_Room(RoomNo, LastCheckInTime) Values(:RoomNo, :LastCheckInTime)";
constexpr std::string_view kInsertIssueCardRecord =
    "insert into T_IssueCardRecord(RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
    "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, IssueResult)"
    " Values(:RegisterId, :CardNo, :RoomNo, :CardType, :LastCheckInTime, :CheckInTime, "
    ":CheckOutTime, :IsCopy, :GuestName, :OpratingTime, :IssueResult)";

constexpr std::string_view kCompleteIssueCardRecord =
    "update T_IssueCardRecord set CardNo=:CardNo, IssueResult=:IssueResult where rowid=:Id";
constexpr std::string_view kMarkInterrupted =
    "update T_IssueCardRecord set IssueResult=:Interrupted where IssueResult=:Writing";

// The newest row of a card, and whether a normal card for its room that may have been
// written (any but a failed or refused attempt) was journaled after it.
constexpr std::string_view kSelectIssuedCard =
    "select r.RoomNo, r.GuestName, r.CheckInTime, r.CheckOutTime, cast(r.IsCopy as text), "
    "cast(exists(select 1 from T_IssueCardRecord later where later.RoomNo = r.RoomNo "
    "and later.IsCopy = 0 and later.rowid > r.rowid and not (ifnull(later.IssueResult, '') "
    "like :Failed || '%' or ifnull(later.IssueResult, '') like :Refused || '%')) as text), "
    "r.LastCheckInTime, r.IssueResult "
    "from T_IssueCardRecord r where r.CardNo = :CardNo order by r.rowid desc limit 1";

// The journal's operation-time column is spelt OpratingTime; readers of the file expect it.
constexpr const char* kCreateTables =
    "begin;"
    "create table T_Room(RoomNo TEXT NOT NULL, LastCheckInTime TEXT);"
    "create unique index UX_T_Room_RoomNo on T_Room(RoomNo);"
    "create table T_IssueCardRecord(RegisterId TEXT, CardNo TEXT, RoomNo TEXT, "
    "CardType INTEGER, LastCheckInTime TEXT, CheckInTime TEXT, CheckOutTime TEXT, "
    "IsCopy INTEGER, GuestName TEXT, OpratingTime TEXT, IssueResult TEXT);"
    "create index IX_T_IssueCardRecord_CardNo on T_IssueCardRecord(CardNo);"
    "create index IX_T_IssueCardRecord_RoomNo on T_IssueCardRecord(RoomNo);"
    "create index IX_T_IssueCardRecord_OpratingTime on T_IssueCardRecord(OpratingTime);";

// Every column the journal window sorts by has an index, so that a page in any order is read
// through one instead of sorting every row. Card numbers sort by their length first. The
// result's index comes last: upgrading looks for it.
constexpr const char* kSortIndexes =
    "create index if not exists IX_T_IssueCardRecord_GuestName on T_IssueCardRecord(GuestName);"
    "create index if not exists IX_T_IssueCardRecord_LastCheckInTime "
    "on T_IssueCardRecord(LastCheckInTime);"
    "create index if not exists IX_T_IssueCardRecord_CheckOutTime "
    "on T_IssueCardRecord(CheckOutTime);"
    "create index if not exists IX_T_IssueCardRecord_CardNoOrder "
    "on T_IssueCardRecord(length(CardNo), CardNo);"
    "create index if not exists IX_T_IssueCardRecord_IsCopy on T_IssueCardRecord(IsCopy);"
    "create index if not exists IX_T_IssueCardRecord_IssueResult "
    "on T_IssueCardRecord(IssueResult);";

// What a file made before keydesk kept each attempt's result, looked cards up by their
// number or sorted the journal by every column, is given on open: each step with the text the log
// says of it.
struct Upgrade {
  std::string_view Present;  // a query giving 1 when the step is done
  std::string_view Step;
  std::string_view Said;  // UTF-8
};
constexpr Upgrade kUpgrades[] = {
    {"select cast(count(*) as text) from pragma_table_info('T_IssueCardRecord') where name = "
     "'IssueResult'",
     "alter table T_IssueCardRecord add column IssueResult TEXT", "加上发卡结果一栏"},
    {"select cast(count(*) as text) from sqlite_master where name = 'IX_T_IssueCardRecord_CardNo'",
     "create index IX_T_IssueCardRecord_CardNo on T_IssueCardRecord(CardNo)", "按卡号建立索引"},
    {"select cast(count(*) as text) from sqlite_master where name = 'IX_T_IssueCardRecord_RoomNo'",
     "create index IX_T_IssueCardRecord_RoomNo on T_IssueCardRecord(RoomNo)", "按房间建立索引"},
    {"select cast(count(*) as text) from sqlite_master where name = "
     "'IX_T_IssueCardRecord_OpratingTime'",
     "create index IX_T_IssueCardRecord_OpratingTime on T_IssueCardRecord(OpratingTime)",
     "按发卡时间建立索引"},
    {"select cast(count(*) as text) from sqlite_master where name = "
     "'IX_T_IssueCardRecord_IssueResult'",
     kSortIndexes, "为各栏排序建立索引"},
};

constexpr std::string_view kNewRoom = "新建房间";  // UTF-8 here; logged in code page 936

// Another process holding the file waits this long before the operation gives up.
constexpr int kBusyTimeoutMilliseconds = 2000;

// Stored as text that sorts in time order and keeps the milliseconds.
constexpr std::string_view kDateTimeFormat = "yyyy-mm-dd hh:nn:ss.zzz";

void BindDateTime(SqliteStatement& statement, const char* name, DateTime value) {
  statement.BindText(name, FormatDateTime(kDateTimeFormat, value));
}

// Texts inside the system are code page 936; the file holds UTF-8.
void BindAnsiText(SqliteStatement& statement, const char* name, const std::string& text) {
  statement.BindText(name, Utf8FromAnsi(text));
}

// WAL with synchronous=FULL syncs the log at every commit, so a journal row survives a crash
// or power cut once its insert has returned.
void SetDurability(SqliteConnection& connection) {
  try {
    // The answer is the mode now in effect; a file that cannot use WAL keeps its own mode.
    connection.QueryText("PRAGMA journal_mode=WAL");
  } catch (const DatabaseError& error) {
    // Another process holding the file keeps it from switching; the mode it has will do.
    if (error.Code() != SQLITE_BUSY && error.Code() != SQLITE_LOCKED) throw;
  }
  connection.Execute("PRAGMA synchronous=FULL");
}

// Messages inside the system are code page 936; the path is the file system's own text.
std::string FailureText(const std::string& what, const std::string& fileName,
                        const std::string& reason) {
  return what + " " + AnsiFromPath(fileName) + ": " + reason;
}

// For an existing path: true when it is a file, which is then left alone.
bool ExistingIsFile(const std::string& fileName, std::string& error) {
  std::string reason;
  if (ExaminePath(fileName, &reason) == PathState::File) return true;
  error = AnsiFromPath(fileName) + " exists and is not a database file";
  return false;
}

void RemoveTemporary(const std::string& temporary) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) RemoveFile(temporary + suffix);
}

// Brings a file of an older keydesk up to date, once; says in the log what was done.
void UpgradeFile(SqliteConnection& connection, TLogFile& log) {
  // Without the journal there is nothing to bring up to date; its operations say it is gone.
  if (connection.QueryText(
          "select cast(count(*) as text) from sqlite_master where name = 'T_IssueCardRecord'") !=
      "1") {
    return;
  }
  std::string done;
  for (const Upgrade& upgrade : kUpgrades) {
    if (connection.QueryText(std::string(upgrade.Present)) == "1") continue;
    connection.Execute(std::string(upgrade.Step));
    done += (done.empty() ? "" : "，") + std::string(upgrade.Said);
  }
  if (!done.empty()) log.Write(AnsiFromUtf8("发卡记录表已升级：" + done));
}

}  // namespace

TDoorlockRecordManager::TDoorlockRecordManager(std::string fileName, TLogFile& log,
                                               ServiceStatus* status)
    : fileName_(std::move(fileName)), log_(log), status_(status) {}

TDoorlockRecordManager::~TDoorlockRecordManager() = default;

template <typename Body>
void TDoorlockRecordManager::Guarded(Body&& body, bool report, std::string* failure) noexcept {
  StoreGuard(log_, status_).Run(std::forward<Body>(body), report, failure);
}

SqliteConnection& TDoorlockRecordManager::Connection() {
  // A file deleted or replaced under the open connection is opened afresh (or reported
  // missing) rather than written to unseen.
  if (database_ != nullptr && database_->HasMoved()) {
    // The old file's write-ahead log stays under the old name, and SQLite would replay it
    // into whatever file is put there next (a restored backup is overwritten and cut to the
    // old size). Write it back into the old file, through this connection's own descriptor,
    // and empty it before letting go.
    try {
      database_->QueryText("PRAGMA wal_checkpoint(TRUNCATE)");
    } catch (const DatabaseError&) {
      // A file that is gone cannot be helped; the reopening below reports the state.
    }
    database_.reset();
  }
  if (database_ == nullptr) {
    // Never create the file: a missing Client.mdb is an error to report, not to hide.
    auto connection = std::make_unique<SqliteConnection>(fileName_, SQLITE_OPEN_READWRITE);
    connection->SetBusyTimeout(kBusyTimeoutMilliseconds);
    SetDurability(*connection);
    UpgradeFile(*connection, log_);
    database_ = std::move(connection);
  }
  return *database_;
}

void TDoorlockRecordManager::Open(bool needed) {
  MutexLock lock(mutex_);
  // A store the options leave unused is no one's concern; only its log line tells of it.
  Guarded(
      [&] {
        mutex_.AssertHeld();
        Connection();
      },
      /*report=*/needed);
}

// Messages are code page 936; the path is the file system's own text.
std::string TDoorlockRecordManager::Description() const { return AnsiFromPath(fileName_); }

bool TDoorlockRecordManager::IsOpen() const {
  MutexLock lock(mutex_);
  return database_ != nullptr;
}

DateTime TDoorlockRecordManager::GetLastCheckInTime(const std::string& RoomNo) {
  MutexLock lock(mutex_);
  DateTime result;
  Guarded([&] {
    mutex_.AssertHeld();
    SqliteStatement statement(Connection(), kSelectRoomTime);
    BindAnsiText(statement, ":RoomNo", RoomNo);
    if (!statement.Step()) return;
    // NULL or a text that is no date-time counts as no time recorded.
    if (const auto text = statement.ColumnText(0)) {
      if (const auto value = TryStrToDateTime(*text)) result = *value;
    }
  });
  return result;
}

void TDoorlockRecordManager::SetLastCheckInTime(const std::string& RoomNo,
                                                DateTime LastCheckInTime) {
  MutexLock lock(mutex_);
  // An update that fails raises, so the insert is tried only when no row matched.
  Guarded([&] {
    mutex_.AssertHeld();
    SqliteConnection& connection = Connection();
    SqliteStatement statement(connection, kUpdateRoomTime);
    BindDateTime(statement, ":LastCheckInTime", LastCheckInTime);
    BindAnsiText(statement, ":RoomNo", RoomNo);
    statement.Execute();
    if (connection.Changes() == 0) InsertRoom(RoomNo, LastCheckInTime);
  });
}

void TDoorlockRecordManager::AddRoom(const std::string& RoomNo, DateTime LastCheckInTime) {
  MutexLock lock(mutex_);
  Guarded([&] {
    mutex_.AssertHeld();
    InsertRoom(RoomNo, LastCheckInTime);
  });
}

void TDoorlockRecordManager::InsertRoom(const std::string& RoomNo, DateTime LastCheckInTime) {
  SqliteStatement statement(Connection(), kInsertRoom);
  BindAnsiText(statement, ":RoomNo", RoomNo);
  BindDateTime(statement, ":LastCheckInTime", LastCheckInTime);
  statement.Execute();
  log_.Write(AnsiFromUtf8(kNewRoom) + RoomNo);
}

std::optional<int64_t> TDoorlockRecordManager::BeginIssueCardRecord(const IssueCardRecord& record,
                                                                    std::string& error) {
  MutexLock lock(mutex_);
  std::optional<int64_t> id;
  Guarded(
      [&] {
        mutex_.AssertHeld();
        SqliteConnection& connection = Connection();
        InsertIssueCardRecord(connection, record);
        id = connection.LastInsertRowId();
      },
      /*report=*/true, &error);
  return id;
}

bool TDoorlockRecordManager::CompleteIssueCardRecord(int64_t id, const std::string& CardNo,
                                                     const std::string& IssueResult) {
  MutexLock lock(mutex_);
  bool done = false;
  Guarded([&] {
    mutex_.AssertHeld();
    SqliteStatement statement(Connection(), kCompleteIssueCardRecord);
    BindAnsiText(statement, ":CardNo", CardNo);
    BindAnsiText(statement, ":IssueResult", IssueResult);
    statement.BindInt64(":Id", id);
    statement.Execute();
    done = true;
  });
  return done;
}

int TDoorlockRecordManager::MarkInterruptedRecords() {
  MutexLock lock(mutex_);
  int marked = -1;
  Guarded([&] {
    mutex_.AssertHeld();
    SqliteConnection& connection = Connection();
    SqliteStatement statement(connection, kMarkInterrupted);
    BindAnsiText(statement, ":Interrupted", InterruptedResult());
    BindAnsiText(statement, ":Writing", WritingResult());
    statement.Execute();
    marked = static_cast<int>(connection.Changes());
  });
  return marked;
}

void TDoorlockRecordManager::AddIssueCardRecord(const std::string& RegisterId,
                                                const std::string& CardNo,
                                                const std::string& RoomNo, int32_t CardType,
                                                DateTime LastCheckInTime, DateTime CheckInTime,
                                                DateTime CheckOutTime, bool IsCopy,
                                                const std::string& GuestName, DateTime OpratingTime,
                                                const std::string& IssueResult) {
  MutexLock lock(mutex_);
  Guarded([&] {
    mutex_.AssertHeld();
    InsertIssueCardRecord(Connection(),
                          {RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, CheckInTime,
                           CheckOutTime, IsCopy, GuestName, OpratingTime, IssueResult});
  });
}

void TDoorlockRecordManager::InsertIssueCardRecord(SqliteConnection& connection,
                                                   const IssueCardRecord& record) {
  SqliteStatement statement(connection, kInsertIssueCardRecord);
  BindAnsiText(statement, ":RegisterId", record.RegisterId);
  BindAnsiText(statement, ":CardNo", record.CardNo);
  BindAnsiText(statement, ":RoomNo", record.RoomNo);
  statement.BindInt(":CardType", record.CardType);
  BindDateTime(statement, ":LastCheckInTime", record.LastCheckInTime);
  BindDateTime(statement, ":CheckInTime", record.CheckInTime);
  BindDateTime(statement, ":CheckOutTime", record.CheckOutTime);
  statement.BindInt(":IsCopy", record.IsCopy ? 1 : 0);
  BindAnsiText(statement, ":GuestName", record.GuestName);
  BindDateTime(statement, ":OpratingTime", record.OpratingTime);
  BindAnsiText(statement, ":IssueResult", record.IssueResult);
  statement.Execute();
}

bool TDoorlockRecordManager::FindIssuedCard(const std::string& CardNo,
                                            std::optional<TIssuedCard>& Card) {
  MutexLock lock(mutex_);
  Card.reset();
  bool read = false;
  Guarded([&] {
    mutex_.AssertHeld();
    SqliteStatement statement(Connection(), kSelectIssuedCard);
    BindAnsiText(statement, ":CardNo", CardNo);
    BindAnsiText(statement, ":Failed", FailedResult({}));
    BindAnsiText(statement, ":Refused", RefusedResult({}));
    read = true;
    if (!statement.Step()) return;
    auto text = [&statement](int column) {
      return AnsiFromUtf8(statement.ColumnText(column).value_or(""));
    };
    Card = TIssuedCard{.RoomNo = text(0),
                       .GuestName = text(1),
                       .CheckInTime = text(2),
                       .CheckOutTime = text(3),
                       .LastCheckInTime = text(6),
                       .IssueResult = text(7),
                       .IsCopy = text(4) == "1",
                       .Superseded = text(5) == "1"};
  });
  return read;
}

JournalPage TDoorlockRecordManager::ReadJournalPage(const JournalFilter& filter) {
  return ReadJournalFile(fileName_, filter);
}

void TDoorlockRecordManager::ForEachJournalRow(const JournalFilter& filter,
                                               const std::function<void(const JournalRow&)>& each) {
  ForEachJournalFileRow(fileName_, filter, each);
}

RoomCards TDoorlockRecordManager::ReadRoomCards(const std::string& RoomNo, DateTime now) {
  return ReadRoomCardsFile(fileName_, RoomNo, now);
}

bool TDoorlockRecordManager::CreateDatabase(const std::string& fileName, std::string& error) {
  std::string reason;
  switch (ExaminePath(fileName, &reason)) {
    case PathState::Missing:
      break;
    case PathState::Unknown:
      error = FailureText("Cannot examine", fileName, reason);
      return false;
    case PathState::File:
    case PathState::NotAFile:
      return ExistingIsFile(fileName, error);
  }

  // Built under a temporary name and given its own name whole, so a half-built database
  // never appears under the real name.
  const std::optional<std::string> temporary = CreateUniqueFile(fileName, &reason);
  if (!temporary) {
    error = FailureText("Cannot create", fileName + ".XXXXXX", reason);
    return false;
  }

  try {
    SqliteConnection connection(*temporary, SQLITE_OPEN_READWRITE);
    SetDurability(connection);
    connection.Execute(std::string(kCreateTables) + kSortIndexes + "commit;");
  } catch (const std::exception& exception) {
    // The connection is closed by now, which checkpointed and removed its log files.
    RemoveTemporary(*temporary);
    error = exception.what();
    return false;
  }

  // A file made meanwhile by someone else is kept.
  switch (PlaceWithoutReplacing(*temporary, fileName, &reason)) {
    case Placement::Placed:
      RemoveTemporary(*temporary);
      return true;
    case Placement::NameTaken:
      RemoveTemporary(*temporary);
      return ExistingIsFile(fileName, error);
    case Placement::Failed:
      break;
  }
  error = FailureText("Cannot create", fileName, reason);
  RemoveTemporary(*temporary);
  return false;
}

}  // namespace keydesk
