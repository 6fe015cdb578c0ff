#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/date_time.h"
#include "platform/mutex.h"
#include "store/record_store.h"

namespace keydesk {

class SqliteConnection;
class ServiceStatus;
class TLogFile;

// The local issue-card record store in Client.mdb, an SQLite 3 file: T_Room keeps each
// room's last normal check-in time, and
// T_IssueCardRecord journals every card-issue attempt.
//
// No error leaves the store: every operation catches its own errors and writes their
// messages to the log, so a database failure never changes a request's answer. A
// database that could not be opened is tried again by the next operation.
//
// Thread-safe: one connection, and every operation runs under mutex_. A journal row is
// committed durably before AddIssueCardRecord or BeginIssueCardRecord returns. Holding a room takes
// no lock of its own: a desk of its own needs no more than its callers' lock around the hold.
class TDoorlockRecordManager final : public RecordStore {
 public:
  static constexpr const char* kFileName = "Client.mdb";

  // Stores the file name and the log; opens nothing. status, if given, hears whether the
  // operations of requests fail.
  TDoorlockRecordManager(std::string fileName, TLogFile& log, ServiceStatus* status = nullptr);
  ~TDoorlockRecordManager() override;
  TDoorlockRecordManager(const TDoorlockRecordManager&) = delete;
  TDoorlockRecordManager& operator=(const TDoorlockRecordManager&) = delete;

  // Opens the existing database file, never creating it; a failure is logged.
  void Open(bool needed = false) override;
  bool IsOpen() const override;
  const std::string& FileName() const { return fileName_; }
  std::string Description() const override;

  std::unique_ptr<RoomTimes> HoldRoom(const std::string& RoomNo) override {
    return UnheldRoomTimes(*this, RoomNo);
  }

  // The room's last check-in time; zero when none is recorded or on any error.
  DateTime GetLastCheckInTime(const std::string& RoomNo) override;
  // Updates the room's time; adds the room when no row was updated.
  void SetLastCheckInTime(const std::string& RoomNo, DateTime LastCheckInTime) override;
  // Inserts the room and logs "新建房间" with its key; a duplicate is refused and logged.
  void AddRoom(const std::string& RoomNo, DateTime LastCheckInTime) override;
  // Appends one journal row.
  void AddIssueCardRecord(const std::string& RegisterId, const std::string& CardNo,
                          const std::string& RoomNo, int32_t CardType, DateTime LastCheckInTime,
                          DateTime CheckInTime, DateTime CheckOutTime, bool IsCopy,
                          const std::string& GuestName, DateTime OpratingTime,
                          const std::string& IssueResult = {}) override;
  std::optional<int64_t> BeginIssueCardRecord(const IssueCardRecord& record,
                                              std::string& error) override;
  bool CompleteIssueCardRecord(int64_t id, const std::string& CardNo,
                               const std::string& IssueResult) override;
  // A file is one desk's alone (the folder lock sees to that): every row in progress is its.
  int MarkInterruptedRecords() override;
  // The journal's word on the card with that number in Card, none when it has no row for
  // it; false (and logged) when the journal cannot be read.
  bool FindIssuedCard(const std::string& CardNo, std::optional<TIssuedCard>& Card) override;
  // Reads with a read-only connection of its own, so it never waits on the service's lock.
  JournalPage ReadJournalPage(const JournalFilter& filter) override;
  void ForEachJournalRow(const JournalFilter& filter,
                         const std::function<void(const JournalRow&)>& each) override;
  // Reads as ReadJournalPage does.
  RoomCards ReadRoomCards(const std::string& RoomNo, DateTime now) override;
  // Client.mdb is this desk's own.
  bool Shared() const override { return false; }

  // Creates the database file with both tables when it does not exist yet; an existing
  // file is left as it is. Returns false (with the reason in error) on failure.
  static bool CreateDatabase(const std::string& fileName, std::string& error);

 private:
  // The open connection, opened first when there is none or its file was deleted or renamed.
  // Raises DatabaseError when the file cannot be opened.
  SqliteConnection& Connection() REQUIRES(mutex_);
  // The insert of AddRoom, with its log line.
  void InsertRoom(const std::string& RoomNo, DateTime LastCheckInTime) REQUIRES(mutex_);
  // The insert of a journal row.
  void InsertIssueCardRecord(SqliteConnection& connection, const IssueCardRecord& record)
      REQUIRES(mutex_);
  // Runs body, writing any error that leaves it to the log as a line of its own (and giving
  // its message in *failure when asked); reports the outcome to the status when told to.
  template <typename Body>
  void Guarded(Body&& body, bool report = true, std::string* failure = nullptr) noexcept;

  const std::string fileName_;
  TLogFile& log_;
  ServiceStatus* const status_;
  mutable Mutex mutex_;
  std::unique_ptr<SqliteConnection> database_ GUARDED_BY(mutex_);
};

}  // namespace keydesk
