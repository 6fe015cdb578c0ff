#include "store/room_cards.h"

#include "store/issue_result.h"

namespace keydesk {

std::string StoredTimeText(DateTime value) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value);
}

RoomCards RoomCardsAt(const std::vector<JournalRow>& newestFirst, DateTime now) {
  const std::string at = StoredTimeText(now);
  RoomCards cards;
  // Once a normal card that may open the room has been seen, every older card is shut out:
  // the lock goes by the newer card's start once that card has been used.
  bool shutOut = false;
  for (const JournalRow& row : newestFirst) {
    const IssueState state = IssueStateOf(row.IssueResult);
    // Stored times compare as texts; a row without times covers nothing.
    const bool covers =
        !row.LastCheckInTime.empty() && row.LastCheckInTime <= at && at <= row.CheckOutTime;
    if (covers && MayOpenRoom(state)) {
      cards.Cards.push_back({row, shutOut});
    } else if (covers && state == IssueState::Old && !shutOut) {
      ++cards.OldRows;
    }
    if (!row.IsCopy && MayOpenRoom(state)) shutOut = true;
  }
  return cards;
}

}  // namespace keydesk
