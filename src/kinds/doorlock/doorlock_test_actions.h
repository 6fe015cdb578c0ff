#pragma once

#include <cstdint>
#include <string>

#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/guest_card_issue.h"
#include "kinds/doorlock/issued_card_text.h"
#include "platform/date_time.h"

namespace keydesk {

struct DoorlockService;

// What the door lock test dialog typed, code page 936 texts.
struct TestCardEntries {
  std::string RoomBuildingCode;
  std::string RoomFloorCode;
  std::string RoomNo;
  std::string CheckIn;   // date and time text
  std::string CheckOut;  // date and time text
  bool IsCopy = false;
};

// The door lock test dialog's operations without the dialog: they call the installed
// driver directly and, for a written card, apply the start-time and record-keeping rules of
// a PMS request, but with the check-in and check-out as typed (no configured delays on
// them) and a fixed guest name.
//
// Used on the main thread while connection threads use the same driver and record store;
// the room-time read-then-write runs under the service's RoomTimeMutex like a request's.
class DoorlockTestActions {
 public:
  static constexpr const char* kGuestName = "Test";

  explicit DoorlockTestActions(DoorlockService& service) : service_(service) {}

  // The texts the dialog opens with: an hour before now, and two days after now.
  std::string DefaultCheckIn() const;
  std::string DefaultCheckOut() const;

  // The driver's operations as they are; false when no driver is installed.
  bool OpenPort();
  void Beep();
  bool ClosePort();
  bool EraseCard();
  // CardNo keeps whatever the driver left in it, also after a failed read.
  bool ReadCard(int64_t& CardNo);

  // A read with the guest-room block's room and validity where the driver tells them, and
  // the card checked against its journal row.
  struct CheckedRead {
    bool Read = false;
    int64_t CardNo = 0;  // zero unless the driver got as far as the card's number
    TCardDetails Details;
    CardCheck Check;
  };
  CheckedRead ReadCardChecked();

  // Writes a card for the room of the three codes and journals it when SaveDoorlockRecord is
  // on, whatever the write's result. Raises ConvertError "'%s' is not a valid date and time"
  // for a bad check-in or check-out text, and Error with the reason and "，没有写卡。" for a card
  // that the rule of a PMS request refuses as typed (IssueRefusal: a room the card cannot
  // hold, a check-out not after the check-in ...), before the driver or the store is called.
  IssueOutcome WriteCard(const TestCardEntries& entries);

  // The dialog's line after each button: what came of it, and why not, or what to do with a
  // card that may open the room.
  static std::string WriteOutcome(const IssueOutcome& outcome);
  // A read whose blocks belong to different cards says that the card is incomplete; a read
  // says the block and code that failed, or what the journal says of the card and where they
  // differ.
  static std::string ReadOutcome(bool read, int64_t CardNo, const TCardDetails& Details);
  static std::string ReadOutcome(const CheckedRead& read);
  // The driver erases nothing: the line says that the card keeps what was written on it.
  static std::string EraseOutcome(bool erased);

 private:
  // Puts the card operation in the main window's list of operations.
  void Listed(const char* type, std::string roomKey, int64_t CardNo, bool succeeded,
              std::string reason = {}, std::string warning = {}) const;

  DoorlockService& service_;
};

}  // namespace keydesk
