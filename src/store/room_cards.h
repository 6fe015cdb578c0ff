#pragma once

#include <string>
#include <vector>

#include "platform/date_time.h"
#include "store/record_store.h"

namespace keydesk {

// Which of a room's journal rows, newest first (in the order they were journaled), are cards
// that may open the room at now: validity covering now (LastCheckInTime <= now <=
// CheckOutTime) and a result that may have made a card; each marked when a normal card that
// may open the room was journaled after it. Both stores read the rows and leave this to it.
RoomCards RoomCardsAt(const std::vector<JournalRow>& newestFirst, DateTime now);

// The stored text of a time, "yyyy-mm-dd hh:nn:ss.zzz", which sorts in time order.
std::string StoredTimeText(DateTime value);

}  // namespace keydesk
