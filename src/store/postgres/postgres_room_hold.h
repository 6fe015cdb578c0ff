#pragma once

#include <optional>
#include <string>

#include "store/postgres/pg_connection_pool.h"
#include "store/record_store.h"

namespace keydesk {

class StoreGuard;
class TLogFile;

// A room held on the server: one transaction on a connection of its own, under a
// transaction-scoped advisory lock on the room key, so that every keydesk sharing the
// database waits for it before reading or setting the room's time. Committed, and the lock
// released, when the object goes away.
//
// A hold that could not begin (no server, the lock not granted in time) runs none of its
// operations: each fails with the reason and logs it, as an operation on an unreachable
// store does, rather than read or set the time without the lock.
//
// Used by one thread at a time.
class PostgresRoomHold final : public RoomTimes {
 public:
  // roomNo in code page 936.
  PostgresRoomHold(PgConnectionPool& pool, const StoreGuard& guard, TLogFile& log,
                   std::string roomNo);
  ~PostgresRoomHold() override;
  PostgresRoomHold(const PostgresRoomHold&) = delete;
  PostgresRoomHold& operator=(const PostgresRoomHold&) = delete;

  DateTime GetLastCheckInTime() override;
  void SetLastCheckInTime(DateTime LastCheckInTime) override;
  void AddRoom(DateTime LastCheckInTime) override;

 private:
  // The held connection; raises why there is none.
  PgConnection& Held();
  void InsertRoom(DateTime LastCheckInTime);
  // Runs an operation of the hold; a failure spoils the transaction, which is then rolled
  // back rather than committed.
  template <typename Body>
  void Run(Body&& body);

  const StoreGuard& guard_;
  TLogFile& log_;
  const std::string roomNo_;
  std::optional<PgLease> lease_;
  std::string failure_;  // why the hold did not begin
  bool spoiled_ = false;
};

}  // namespace keydesk
