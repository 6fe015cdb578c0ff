#pragma once

#include <cstdint>
#include <string>

#include "platform/date_time.h"

namespace keydesk {

struct DoorlockService;

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

// Issues the card with the system's start-time and record-keeping rules: without the record
// store the card starts at CheckIn; with it, a normal card starts now less DelayMinutes and
// that becomes the room's last check-in time once written, while a copy card takes the
// room's last check-in time (recording a fresh one for a room never seen). With
// SaveDoorlockRecord the attempt is journaled whatever the write's result. A card that
// IssueRefusal refuses is neither written nor given a room time: the reason is logged and, if
// refusal is given, put there. True when the installed driver wrote the card; CardNo receives
// what the driver reported. The guest name reaches the card as CardGuestName cuts it.
//
// Thread-safe: the room time's read and write run under the service's RoomTimeMutex and
// the record store's hold of the room, which also keeps out other desks sharing the store.
bool IssueGuestCard(DoorlockService& service, const GuestCardIssue& card, int64_t& CardNo,
                    std::string* refusal = nullptr);

// Why a card was not written, for the clerk: the refusal when there was one, else that there
// is no encoder or that the encoder did not write it.
std::string IssueFailureReason(const std::string& refused, bool hasDriver);

}  // namespace keydesk
