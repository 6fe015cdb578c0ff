#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "store/record_store.h"

namespace keydesk {

// A page of the journal of fileName (Client.mdb), for the operator to look through. Opens its
// own read-only connection for each call, so it never waits on the service's lock, and the
// service's writes go on while it reads. Raises DatabaseError when the file cannot be read,
// ConvertError "'%s' is not a valid date and time" for a bad day.
JournalPage ReadJournalFile(const std::string& fileName, const JournalFilter& filter);
// Every row the filter finds, in its order, one at a time, read as ReadJournalFile reads.
void ForEachJournalFileRow(const std::string& fileName, const JournalFilter& filter,
                           const std::function<void(const JournalRow&)>& each);

// The cards of the room key that may open it at now (see RoomCardsAt), read as
// ReadJournalFile reads. Raises DatabaseError when the file cannot be read.
RoomCards ReadRoomCardsFile(const std::string& fileName, const std::string& RoomNo, DateTime now);

}  // namespace keydesk
