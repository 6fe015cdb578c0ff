#pragma once

#include <string>

#include "store/postgres/pg_connection_pool.h"
#include "store/record_store.h"
#include "store/store_guard.h"

namespace keydesk {

class ServiceStatus;
class TLogFile;

// The record store on a PostgreSQL server that several desks share: the tables of
// Client.mdb, made when absent. A room is held across desks with a transaction-scoped
// advisory lock (PostgresRoomHold). Every operation takes a connection from the pool and
// gives it back; one that failed is replaced at the next operation, so the store comes back
// by itself once the server does.
//
// Thread-safe.
class PostgresRecordStore final : public RecordStore {
 public:
  // Connects to nothing yet. desk names this desk among those sharing the server (its rows in
  // progress are its own to mark interrupted).
  PostgresRecordStore(const ConnectionParameters& parameters, TLogFile& log, ServiceStatus* status,
                      std::string desk = {});

  void Open(bool needed = false) override;
  bool IsOpen() const override;
  std::string Description() const override { return description_; }

  std::unique_ptr<RoomTimes> HoldRoom(const std::string& RoomNo) override;
  DateTime GetLastCheckInTime(const std::string& RoomNo) override;
  void SetLastCheckInTime(const std::string& RoomNo, DateTime LastCheckInTime) override;
  void AddRoom(const std::string& RoomNo, DateTime LastCheckInTime) override;

  void AddIssueCardRecord(const std::string& RegisterId, const std::string& CardNo,
                          const std::string& RoomNo, int32_t CardType, DateTime LastCheckInTime,
                          DateTime CheckInTime, DateTime CheckOutTime, bool IsCopy,
                          const std::string& GuestName, DateTime OpratingTime,
                          const std::string& IssueResult = {}) override;
  std::optional<int64_t> BeginIssueCardRecord(const IssueCardRecord& record,
                                              std::string& error) override;
  bool CompleteIssueCardRecord(int64_t id, const std::string& CardNo,
                               const std::string& IssueResult) override;
  int MarkInterruptedRecords() override;
  bool FindIssuedCard(const std::string& CardNo, std::optional<TIssuedCard>& Card) override;
  JournalPage ReadJournalPage(const JournalFilter& filter) override;
  void ForEachJournalRow(const JournalFilter& filter,
                         const std::function<void(const JournalRow&)>& each) override;
  RoomCards ReadRoomCards(const std::string& RoomNo, DateTime now) override;
  bool Shared() const override { return true; }

 private:
  TLogFile& log_;
  const StoreGuard guard_;
  const std::string description_;
  const std::string desk_;
  PgConnectionPool pool_;
};

}  // namespace keydesk
