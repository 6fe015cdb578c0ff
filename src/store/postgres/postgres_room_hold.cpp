#include "store/postgres/postgres_room_hold.h"

#include <exception>
#include <utility>

#include "core/log_file.h"
#include "platform/code_page.h"
#include "store/postgres/postgres_schema.h"
#include "store/postgres/postgres_time.h"
#include "store/store_guard.h"

namespace keydesk {
namespace {

// hashtext gives every room key a lock of its own; two keys with the same hash merely wait
// for each other.
constexpr std::string_view kLockRoom = "select pg_advisory_xact_lock($1, hashtext($2))";
constexpr std::string_view kSelectRoomTime = "select LastCheckInTime from T_Room where RoomNo=$1";
constexpr std::string_view kUpdateRoomTime = "update T_Room set LastCheckInTime=$1 where RoomNo=$2";
constexpr std::string_view kInsertRoom =
    "insert into T_Room(RoomNo, LastCheckInTime) values($1, $2)";

constexpr std::string_view kNewRoom = "新建房间";  // UTF-8 here; logged in code page 936

}  // namespace

PostgresRoomHold::PostgresRoomHold(PgConnectionPool& pool, const StoreGuard& guard, TLogFile& log,
                                   std::string roomNo)
    : guard_(guard), log_(log), roomNo_(std::move(roomNo)) {
  try {
    lease_.emplace(pool.Take());
    (*lease_)->Execute("begin");
    (*lease_)->Execute(kLockRoom, {kRoomLockClass, Utf8FromAnsi(roomNo_)});
  } catch (const std::exception& error) {
    failure_ = error.what();
    // Left inside its transaction, the connection is closed rather than kept.
    lease_.reset();
  }
}

PostgresRoomHold::~PostgresRoomHold() {
  if (!lease_) return;
  if (spoiled_) {
    // The failure has been logged; the rollback only tidies up.
    try {
      (*lease_)->Execute("rollback");
    } catch (const std::exception&) {
      // The connection is closed rather than kept.
    }
    return;
  }
  guard_.Run([this] { (*lease_)->Execute("commit"); });
}

PgConnection& PostgresRoomHold::Held() {
  if (!lease_) throw PostgresError("", failure_);
  return **lease_;
}

template <typename Body>
void PostgresRoomHold::Run(Body&& body) {
  if (!guard_.Run(std::forward<Body>(body))) spoiled_ = true;
}

DateTime PostgresRoomHold::GetLastCheckInTime() {
  DateTime result;
  Run([&] {
    const PgResult rows = Held().Execute(kSelectRoomTime, {Utf8FromAnsi(roomNo_)});
    // NULL or a text that is no date-time counts as no time recorded.
    if (const auto text = rows.Text(0, 0)) {
      if (const auto value = TryStrToDateTime(*text)) result = *value;
    }
  });
  return result;
}

void PostgresRoomHold::SetLastCheckInTime(DateTime LastCheckInTime) {
  // An update that fails raises, so the insert is tried only when no row matched; under the
  // lock no other desk can add the room in between.
  Run([&] {
    const PgResult updated =
        Held().Execute(kUpdateRoomTime, {StoredTime(LastCheckInTime), Utf8FromAnsi(roomNo_)});
    if (updated.Affected() == 0) InsertRoom(LastCheckInTime);
  });
}

void PostgresRoomHold::AddRoom(DateTime LastCheckInTime) {
  Run([&] { InsertRoom(LastCheckInTime); });
}

void PostgresRoomHold::InsertRoom(DateTime LastCheckInTime) {
  Held().Execute(kInsertRoom, {Utf8FromAnsi(roomNo_), StoredTime(LastCheckInTime)});
  log_.Write(AnsiFromUtf8(kNewRoom) + roomNo_);
}

}  // namespace keydesk
