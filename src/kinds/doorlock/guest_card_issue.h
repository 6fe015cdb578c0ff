#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "doorlock/encoder_access.h"
#include "platform/date_time.h"

namespace keydesk {

struct DoorlockService;
struct TSysOption;

// A guest card to issue, as a PMS request or the test dialog describes it. Texts are code
// page 936; CheckIn and CheckOut are final (any configured delays already applied).
struct GuestCardIssue {
  std::string RegisterId;
  std::string RoomBuildingCode;
  std::string RoomFloorCode;
  std::string RoomNo;
  std::string GuestName;
  DateTime CheckIn;
  DateTime CheckOut;
  bool IsCopy = false;
};

// The configured delays, applied here alone. A card starts DelayMinutes before the moment it
// is given (a request's check-in, or now where the record store keeps the room's start) and
// ends DelayMinutes2 after the request's check-out.
DateTime CardStartFor(const TSysOption& options, DateTime moment);
DateTime CardEndFor(const TSysOption& options, DateTime checkOut);

// What came of a card issue, for the answer, the clerk and the journal. Texts code page 936.
struct IssueOutcome {
  bool Written = false;
  int64_t CardNo = 0;  // what the driver reported, also for a card it failed to finish
  // Why no good card was made, for the clerk: the refusal, the journal's or the encoder's
  // failure (the block and the library's code), and for a card that may open the room what
  // to do with it. Empty when written.
  std::string Reason;
  // A card that may open the room lies on the encoder (a later block failed, or it read
  // back other than written).
  bool CardLeft = false;
  // The journal row of the attempt, when one was written.
  std::optional<int64_t> RecordId;
};

// Issues the card with the system's start-time and record-keeping rules: without the record
// store the card starts at CheckIn; with it, a normal card starts now less DelayMinutes and
// that becomes the room's last check-in time once written, while a copy card takes the
// room's last check-in time (recording a fresh one for a room never seen). The guest name
// reaches the card as CardGuestName cuts it.
//
// With SaveDoorlockRecord the journal is written ahead: the attempt's row ("写卡中", with the
// start the card will get) before the encoder is touched, its card number as soon as the
// driver has one, and its result after. A row that cannot be written stops the issue before
// the encoder. A card that IssueRefusal refuses, or whose client has gone, is not written and
// gets no room time; the attempt is journaled as refused and the reason logged. The card waits
// for its turn at the encoder as request says (its host's turn, its deadline, its client);
// one that gets none is refused the same way ("发卡器忙"). A write that does not come back
// within the encoder's limit is answered as failed at once; its row is completed when it
// comes back, as unanswered if the card was written after all.
//
// Thread-safe: the room time's read and write run under the service's RoomTimeMutex and
// the record store's hold of the room, which also keeps out other desks sharing the store.
IssueOutcome IssueGuestCard(DoorlockService& service, const GuestCardIssue& card,
                            const EncoderRequest& request = {});

// The journal row of a written card whose answer never reached the PMS says so.
void MarkUnanswered(DoorlockService& service, const IssueOutcome& outcome);

}  // namespace keydesk
