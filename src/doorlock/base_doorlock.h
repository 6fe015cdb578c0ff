#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/date_time.h"

namespace keydesk {

// What a card read gives back besides the card's number: the guest-room block's room and
// validity as the card holds them (validity as "yymmddhhnn"), code page 936.
struct TCardDetails {
  std::string RoomNo;
  std::string ValidFrom;
  std::string ValidTo;
  // Set when the card's blocks belong to different cards (a write that failed half way over
  // an older card): what differs, for the operator. The read then fails.
  std::string Inconsistency;
  // Why a read failed: the block and the library's code, for the operator.
  std::string Failure;
};

// What a card write came to besides true or false, for the clerk and the journal. Texts are
// code page 936.
struct TWriteReport {
  // Called with the new card's number before anything is written to the card, so that the
  // journal names the card before it exists; false stops the write with nothing written.
  std::function<bool(int64_t CardNo)> BeforeWrite;
  // Why the write failed: the step and the library's code. Empty when it succeeded, and when
  // the driver cannot tell.
  std::string Failure;
  // A card that may open the room was left on the encoder: its guest-room block was written,
  // but a later block failed or the card read back other than written.
  bool CardLeft = false;
  // Set when the driver rewrote such a card's guest-room block with a validity long ended:
  // whether that took.
  std::optional<bool> Voided;
};

// The one interface through which the system reaches the guest-card encoder. Every
// operation has a body that does nothing and reports failure, so a plain TBaseDoorlock
// behaves as a driver without an encoder. Texts are code page 936.
//
// Drivers must allow their operations to be called from several threads at once: PMS
// connections and the test dialog share the installed driver.
class TBaseDoorlock {
 public:
  virtual ~TBaseDoorlock() = default;

  // Kept for drivers that bring a dialog of their own; the window shows the options that
  // keydesk knows itself (the desk asks the kind), so none of ours overrides it.
  virtual void ShowOptions() {}
  virtual bool OpenPort() { return false; }
  virtual void Beep() {}
  virtual bool ClosePort() { return false; }

  // Writes a guest card. CardNo receives the card's number before anything is written to the
  // card, so a caller can report the number that was tried when a later step fails. The
  // date is taken from BeginDate and EndDate, the time of day from BeginTime and EndTime.
  virtual bool WriteCard(const std::string& RegisterId, const std::string& RoomBuildingCode,
                         const std::string& RoomFloorCode, const std::string& RoomNo,
                         const std::string& GuestName, DateTime BeginDate, DateTime BeginTime,
                         DateTime EndDate, DateTime EndTime, bool IsCopy, int64_t& CardNo) {
    (void)RegisterId, (void)RoomBuildingCode, (void)RoomFloorCode, (void)RoomNo, (void)GuestName,
        (void)BeginDate, (void)BeginTime, (void)EndDate, (void)EndTime, (void)IsCopy, (void)CardNo;
    return false;
  }

  // WriteCard telling more of what came of it (Report). Not one of the seven operations
  // above; a driver that cannot tell more only writes.
  virtual bool WriteCardReported(const std::string& RegisterId, const std::string& RoomBuildingCode,
                                 const std::string& RoomFloorCode, const std::string& RoomNo,
                                 const std::string& GuestName, DateTime BeginDate,
                                 DateTime BeginTime, DateTime EndDate, DateTime EndTime,
                                 bool IsCopy, int64_t& CardNo, TWriteReport& Report) {
    (void)Report;
    return WriteCard(RegisterId, RoomBuildingCode, RoomFloorCode, RoomNo, GuestName, BeginDate,
                     BeginTime, EndDate, EndTime, IsCopy, CardNo);
  }

  // Reads the card on the encoder; CardNo receives the number as soon as it was read.
  virtual bool ReadCard(int64_t& CardNo) {
    (void)CardNo;
    return false;
  }

  virtual bool EraseCard() { return false; }

  // Reads the card as ReadCard does and also gives back what its guest-room block says, for
  // the operator. Not one of the seven operations above, which keep their order; a driver
  // that cannot tell the details reads the number only and leaves Details empty.
  virtual bool ReadCardDetails(int64_t& CardNo, TCardDetails& Details) {
    (void)Details;
    return ReadCard(CardNo);
  }
};

}  // namespace keydesk
