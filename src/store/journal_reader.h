#pragma once

#include <string>
#include <vector>

namespace keydesk {

// One issued card as the journal holds it; texts in code page 936, times as stored
// ("yyyy-mm-dd hh:nn:ss.zzz").
struct JournalRow {
  std::string RoomNo;
  std::string GuestName;
  std::string CheckInTime;
  std::string CheckOutTime;
  std::string CardNo;
  bool IsCopy = false;
  std::string OpratingTime;
};

// Which rows to read.
struct JournalFilter {
  std::string Room;  // a part of the room key, code page 936; empty: every room
  std::string Day;   // "yyyy-mm-dd", the day the card was issued; empty: every day
  int Limit = 500;   // the newest rows only
};

// The journal of fileName (Client.mdb), newest first, for the operator to look through. Opens
// its own read-only connection for each call, so it never waits on the service's lock, and
// the service's writes go on while it reads. Raises DatabaseError when the file cannot be
// read, ConvertError "'%s' is not a valid date and time" for a bad day.
std::vector<JournalRow> ReadJournal(const std::string& fileName, const JournalFilter& filter);

}  // namespace keydesk
