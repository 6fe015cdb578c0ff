#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace keydesk {

// What the journal says of a card, for the desk: its newest row, and whether a normal card
// for the same room was journaled after it (so this one may no longer open the door). Texts
// code page 936, times as stored.
struct TIssuedCard {
  std::string RoomNo;
  std::string GuestName;
  std::string CheckInTime;
  std::string CheckOutTime;
  std::string LastCheckInTime;  // the start written to the card
  std::string IssueResult;
  bool IsCopy = false;
  bool Superseded = false;
};

// One card-issue attempt as the service journals it. Texts code page 936.
struct IssueCardRecord {
  std::string RegisterId;
  std::string CardNo;  // decimal, "0" while the driver has given none
  std::string RoomNo;  // the room key
  int32_t CardType = 1;
  DateTime LastCheckInTime;  // the start written to the card
  DateTime CheckInTime;
  DateTime CheckOutTime;
  bool IsCopy = false;
  std::string GuestName;
  DateTime OpratingTime;
  std::string IssueResult;  // see store/issue_result.h
};

// One issued card as the journal holds it; texts in code page 936, times as stored
// ("yyyy-mm-dd hh:nn:ss.zzz").
struct JournalRow {
  std::string RoomNo;
  std::string GuestName;
  std::string CheckInTime;  // as the caller gave it
  // The start written to the card, which the lock goes by: with the room times kept it is the
  // issue time less DelayMinutes, or for a copy card the room's last normal card's start.
  std::string LastCheckInTime;
  std::string CheckOutTime;
  std::string CardNo;
  bool IsCopy = false;
  std::string OpratingTime;
  // What came of the attempt: "成功", "失败" or "拒绝" with the reason after a "：";
  // empty for rows journaled before keydesk kept it.
  std::string IssueResult;
};

// The journal grid's columns, in their order, as a journal can be sorted by them.
enum class JournalSort { Room, Guest, LastCheckIn, CheckOut, CardNo, Copy, IssueTime, Result };

// Which rows to read, in which order. Texts code page 936; days "yyyy-mm-dd" or as the
// operator types a date.
struct JournalFilter {
  std::string Room;    // a part of the room key; empty: every room
  std::string Day;     // the day the card was issued; empty: every day
  int Limit = 500;     // at most this many rows
  int Offset = 0;      // after this many
  std::string Guest;   // a part of the guest name
  std::string CardNo;  // the card number, exactly
  std::string From;    // issued on this day or later
  std::string To;      // issued on this day or earlier
  JournalSort Sort = JournalSort::IssueTime;
  bool Ascending = false;     // the newest first unless asked
  bool FailuresOnly = false;  // only the rows the clerk must look at (see NeedsAttention)
  // A stay (CheckInTime to CheckOutTime as the caller gave them) that lasts into StayFrom or
  // later and begins on StayTo or earlier: days as for From and To; empty: any stay.
  std::string StayFrom;
  std::string StayTo;
};

// One page of the journal, and how many rows the filter finds in all.
struct JournalPage {
  std::vector<JournalRow> Rows;
  int64_t Total = 0;
};

// A card that the journal says may open its room now: its row, and whether a normal card for
// the room that may open it too was journaled after it, which the lock then goes by instead.
struct RoomCard {
  JournalRow Row;
  bool Superseded = false;
};

// The cards of one room whose validity covers a moment, newest first, and how many rows of
// that room journaled before keydesk kept results also cover it (whether their cards were
// written nobody knows).
struct RoomCards {
  std::vector<RoomCard> Cards;
  int OldRows = 0;
};

// The room-time operations of one room, held for one card issue: between the hold's start
// and its end no other holder of the same room, in any process sharing the store, reads or
// sets the room's time. Operations never raise; they log their errors as the store's do.
// Destroying the object ends the hold and keeps what was set.
//
// Used by one thread at a time.
class RoomTimes {
 public:
  virtual ~RoomTimes() = default;

  // The room's last check-in time; zero when none is recorded or on any error.
  virtual DateTime GetLastCheckInTime() = 0;
  // Updates the room's time; adds the room when no row was updated.
  virtual void SetLastCheckInTime(DateTime LastCheckInTime) = 0;
  // Inserts the room and logs "新建房间" with its key; a duplicate is refused and logged.
  virtual void AddRoom(DateTime LastCheckInTime) = 0;
};

// The issue-card record store: each room's last normal check-in time (T_Room) and the
// journal of card-issue attempts (T_IssueCardRecord). Client.mdb beside the program for one
// desk, or a database server that several desks share.
//
// No error leaves an operation but the operator's reads: each catches its own, writes the
// message to the log as a line of its own, and tells the service status, so a store failure
// never changes a request's answer. A store that cannot be reached is tried again by the
// next operation.
//
// Thread-safe.
class RecordStore {
 public:
  virtual ~RecordStore() = default;

  // Reaches the store once at start-up; a failure is logged, and told to the service status
  // when needed says that the options use the store (so that the warning stands before the
  // first card is cut, not after it).
  virtual void Open(bool needed = false) = 0;
  virtual bool IsOpen() const = 0;
  // Where the records are, for messages: a file name, or a server and database (never a
  // password).
  virtual std::string Description() const = 0;

  // Holds the room for the read and write of its time around one card write. Within one
  // process the caller serialises holds itself; a shared store also keeps other processes
  // out until the object goes away.
  virtual std::unique_ptr<RoomTimes> HoldRoom(const std::string& RoomNo) = 0;

  // The room-time operations on their own, each as if by a hold of its own.
  virtual DateTime GetLastCheckInTime(const std::string& RoomNo) = 0;
  virtual void SetLastCheckInTime(const std::string& RoomNo, DateTime LastCheckInTime) = 0;
  virtual void AddRoom(const std::string& RoomNo, DateTime LastCheckInTime) = 0;

  // Appends one journal row, committed before the call returns. IssueResult says what came
  // of the attempt (see JournalRow).
  virtual void AddIssueCardRecord(const std::string& RegisterId, const std::string& CardNo,
                                  const std::string& RoomNo, int32_t CardType,
                                  DateTime LastCheckInTime, DateTime CheckInTime,
                                  DateTime CheckOutTime, bool IsCopy, const std::string& GuestName,
                                  DateTime OpratingTime, const std::string& IssueResult = {}) = 0;
  // The write-ahead journal of a card issue. Begin writes the attempt's row before the
  // encoder is touched, committed before it returns: its id, or none when it could not be
  // written, with the reason in error (logged and told to the service status as every store
  // failure); no card may be cut then. Complete sets the row's card number and result, false
  // (logged) when it could not.
  virtual std::optional<int64_t> BeginIssueCardRecord(const IssueCardRecord& record,
                                                      std::string& error) = 0;
  virtual bool CompleteIssueCardRecord(int64_t id, const std::string& CardNo,
                                       const std::string& IssueResult) = 0;
  // At start-up: the rows that this desk left in progress ("写卡中") when it was stopped
  // dead become interrupted; how many, or -1 (logged) when the journal cannot be written.
  virtual int MarkInterruptedRecords() = 0;

  // The journal's word on the card with that number in Card, none when it has no row for
  // it; false (and logged) when the journal cannot be read.
  virtual bool FindIssuedCard(const std::string& CardNo, std::optional<TIssuedCard>& Card) = 0;

  // A page of the journal as the filter asks, for the operator to look through, without
  // holding up the service's writes. Raises Error when the store cannot be read, ConvertError
  // "'%s' is not a valid date and time" for a bad day.
  virtual JournalPage ReadJournalPage(const JournalFilter& filter) = 0;
  // Every row the filter finds, in its order, whatever its Limit and Offset, handed to each
  // one at a time as it is read (never all held at once). Raises as ReadJournalPage, and
  // whatever each raises, which ends the reading.
  virtual void ForEachJournalRow(const JournalFilter& filter,
                                 const std::function<void(const JournalRow&)>& each) = 0;
  std::vector<JournalRow> ReadJournal(const JournalFilter& filter) {
    return ReadJournalPage(filter).Rows;
  }
  // The cards of the room key (exactly) whose validity covers now and whose row may open the
  // room, read as ReadJournalPage reads. Raises Error when the store cannot be read.
  virtual RoomCards ReadRoomCards(const std::string& RoomNo, DateTime now) = 0;
  // Whether other desks journal into this store too, whatever this desk's options say.
  virtual bool Shared() const = 0;
};

// Room times that need no hold of their own: each operation goes to the store's own, as for
// a store that only one process uses, where the caller's lock is the whole hold.
std::unique_ptr<RoomTimes> UnheldRoomTimes(RecordStore& store, std::string RoomNo);

}  // namespace keydesk
