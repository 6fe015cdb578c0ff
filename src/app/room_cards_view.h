#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/journal_notice.h"
#include "doorlock/base_doorlock.h"
#include "kinds/card_reader.h"
#include "kinds/test_panel.h"
#include "store/record_store.h"

namespace keydesk {

class Clock;

// The journal window's room view: the cards that open a room now as the journal says, copy
// cards included, newest first, each marked when a later normal card has shut it out; and
// where the card lying on the encoder stands among them. Texts code page 936.
//
// Main thread only. The check's press runs on a thread of its own with a copy of the list.
class RoomCardsView {
 public:
  static constexpr const char* kCheckButton = "CheckCardBtn";

  // store and clock must outlive the view; kept says whether a journal is kept (JournalKept);
  // reader is empty when there is no encoder to read.
  RoomCardsView(RecordStore& store, bool kept, const Clock& clock, CardReader reader);

  // Lists the cards of the room key (building, floor and room as the journal stores them,
  // blanks around it ignored) that open it now; an empty key empties the list. A store that
  // cannot be read empties it too, and the notice says why.
  void Show(const std::string& RoomNo);

  const std::string& RoomNo() const { return roomNo_; }
  const std::vector<RoomCard>& Cards() const { return cards_; }
  // How many cards open the room, or why none are listed.
  const JournalNotice& Notice() const { return notice_; }

  // Whether 读卡核对 can be pressed: an encoder to read and a room listed.
  bool CanCheckCard() const { return reader_ && listed_; }
  // 读卡核对 as a panel of one button (kCheckButton) for PanelPress: it reads the card on the
  // encoder and says where it stands among the cards listed when the panel was made. Make it
  // for each press; it keeps nothing of the view.
  TestPanel CheckPanel() const;

  // What the check says of a card read, or not read, against a room's list.
  static std::string CheckLine(const std::string& RoomNo, const std::vector<RoomCard>& cards,
                               bool read, int64_t CardNo, const TCardDetails& Details);

 private:
  RecordStore& store_;
  const bool kept_;
  const Clock& clock_;
  const CardReader reader_;
  std::string roomNo_;
  std::vector<RoomCard> cards_;
  bool listed_ = false;
  JournalNotice notice_;
};

}  // namespace keydesk
