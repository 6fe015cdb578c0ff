#pragma once

#include <string>
#include <vector>

#include "store/record_store.h"

namespace keydesk {

// A page of the journal of fileName (Client.mdb), for the operator to look through. Opens its
// own read-only connection for each call, so it never waits on the service's lock, and the
// service's writes go on while it reads. Raises DatabaseError when the file cannot be read,
// ConvertError "'%s' is not a valid date and time" for a bad day.
JournalPage ReadJournalFile(const std::string& fileName, const JournalFilter& filter);

}  // namespace keydesk
