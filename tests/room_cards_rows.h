#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "store/issue_result.h"
#include "store/record_store.h"

namespace keydesk::test {

// One room's journal for the room view, journaled in this order, with now at noon: times in
// hours from now. The caller's check-in lies three hours after the start written to the card,
// so that a card is listed only by the start the lock goes by.
inline void AddRoomCardRows(RecordStore& store, DateTime now) {
  struct Row {
    const char* CardNo;
    const char* Room;
    bool IsCopy;
    int From;
    int To;
    std::string Result;
  };
  const Row rows[] = {
      {"1", "020317", false, -30, 20, WrittenResult()},    // shut out by 3
      {"2", "020317", false, -72, -2, WrittenResult()},    // expired
      {"3", "020317", false, -1, 40, WrittenResult()},     // began before the check-in
      {"4", "020317", true, -1, 40, WrittenResult()},      // a copy shuts nothing out
      {"5", "020317", false, -1, 40, FailedResult("x")},   // no card, shuts nothing out
      {"6", "020318", false, -1, 40, WrittenResult()},     // another room
      {"7", "020317", false, -1, 40, ""},                  // an older keydesk's row
      {"8", "020317", true, -1, 40, RefusedResult("y")},   // no card
      {"9", "02031", false, -1, 40, InterruptedResult()},  // only a part of the key
  };
  for (const Row& row : rows) {
    const DateTime start = now.AddHours(row.From);
    store.AddIssueCardRecord("R", row.CardNo, row.Room, 1, start, start.AddHours(3),
                             now.AddHours(row.To), row.IsCopy, AnsiFromUtf8("王先生"),
                             now.AddMinutes(-60 + std::stoi(row.CardNo)), row.Result);
  }
}

// What the room view lists of those rows for 020317 at now: card numbers newest first, "c" for
// a copy, "s" for one shut out.
inline void ExpectRoomCards(const RoomCards& cards) {
  std::string listed;
  for (const RoomCard& card : cards.Cards) {
    listed += card.Row.CardNo + (card.Row.IsCopy ? "c" : "") + (card.Superseded ? "s" : "") + " ";
  }
  EXPECT_EQ(listed, "4c 3 1s ");
  EXPECT_EQ(cards.OldRows, 1);
}

}  // namespace keydesk::test
