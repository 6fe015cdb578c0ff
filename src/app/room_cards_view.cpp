#include "app/room_cards_view.h"

#include "app/record_views.h"
#include "kinds/doorlock/doorlock_test_actions.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/conversions.h"

namespace keydesk {
namespace {

std::string CountText(const std::string& RoomNo, DateTime now, const RoomCards& cards) {
  std::string text =
      "房间 " + Utf8FromAnsi(RoomNo) + " 在 " + FormatDateTime("yyyy-mm-dd hh:nn:ss", now) + " ";
  if (cards.Cards.empty()) {
    text += "没有能开门的卡";
  } else {
    text += "有 " + std::to_string(cards.Cards.size()) + " 张卡能开门";
    size_t superseded = 0;
    for (const RoomCard& card : cards.Cards) superseded += card.Superseded ? 1 : 0;
    if (superseded > 0) text += "，其中 " + std::to_string(superseded) + " 张已被后发的卡取代";
  }
  // Rows of an older keydesk say nothing of their result; they are told, not listed.
  if (cards.OldRows > 0) {
    text += "；另有 " + std::to_string(cards.OldRows) + " 条旧记录没有结果，不知道卡能否开门";
  }
  return AnsiFromUtf8(text);
}

}  // namespace

RoomCardsView::RoomCardsView(RecordStore& store, bool kept, const Clock& clock, CardReader reader)
    : store_(store), kept_(kept), clock_(clock), reader_(std::move(reader)) {}

void RoomCardsView::Show(const std::string& RoomNo) {
  roomNo_ = std::string(Trim(RoomNo));
  cards_.clear();
  listed_ = false;
  if (roomNo_.empty()) {
    notice_ = {AnsiFromUtf8("输入房间（楼号、楼层和房号连写，如 020317），列出现在能开门的卡"),
               false};
    return;
  }
  const DateTime now = clock_.Now();
  RoomCards cards;
  if (!ReadForOperator(
          kept_, store_, [&] { cards = store_.ReadRoomCards(roomNo_, now); }, notice_)) {
    return;
  }
  const std::string count = CountText(roomNo_, now, cards);
  notice_.Text = notice_.Text.empty() ? count : count + "\n" + notice_.Text;
  cards_ = std::move(cards.Cards);
  listed_ = true;
}

TestPanel RoomCardsView::CheckPanel() const {
  PanelButton check{kCheckButton,
                    "读卡核对",
                    {},
                    [reader = reader_, room = roomNo_, cards = cards_](const PanelEntries&) {
                      if (!reader) return PanelResult{AnsiFromUtf8("没有发卡器，不能读卡"), {}};
                      // Zero unless the driver got as far as the card's number.
                      int64_t cardNo = 0;
                      TCardDetails details;
                      const bool read = reader(cardNo, details);
                      return PanelResult{CheckLine(room, cards, read, cardNo, details), {}};
                    }};
  return TestPanel("TRoomCardCheck", {}, {std::move(check)});
}

std::string RoomCardsView::CheckLine(const std::string& RoomNo, const std::vector<RoomCard>& cards,
                                     bool read, int64_t CardNo, const TCardDetails& Details) {
  if (!read) return DoorlockTestActions::ReadOutcome(false, CardNo, Details);
  const std::string number = std::to_string(CardNo);
  for (size_t i = 0; i < cards.size(); ++i) {
    if (cards[i].Row.CardNo != number) continue;
    const auto cells = RoomCardCells(cards[i]);
    std::string text = AnsiFromUtf8("此卡在列表中：第 " + std::to_string(i + 1) + " 张（卡号 ") +
                       number + AnsiFromUtf8("，") + cells[1] + AnsiFromUtf8("，") + cells[2] +
                       AnsiFromUtf8(" 至 ") + cells[3];
    if (cards[i].Row.IsCopy) text += AnsiFromUtf8("，复制卡");
    if (cards[i].Superseded) text += AnsiFromUtf8("，") + cells[7];
    return text + AnsiFromUtf8("）");
  }
  // What the card itself says helps to tell whose it is.
  return AnsiFromUtf8("此卡不在列表中：不是房间 ") + RoomNo + AnsiFromUtf8(" 现在能开门的卡。") +
         "\n" + DoorlockTestActions::ReadOutcome(true, CardNo, Details);
}

}  // namespace keydesk
