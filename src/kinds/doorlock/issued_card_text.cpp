#include "kinds/doorlock/issued_card_text.h"

#include "core/sys_option.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"
#include "store/record_store.h"

namespace keydesk {
namespace {

// Stored times keep seconds and milliseconds; the desk reads minutes.
std::string Minutes(const std::string& stored) { return stored.substr(0, 16); }

}  // namespace

std::string IssuedCardText(const ServiceContext& context, int64_t cardNo) {
  if (!context.SysOption.SaveDoorlockRecord) return {};
  const std::string number = std::to_string(cardNo);
  std::optional<TIssuedCard> card;
  // A journal that cannot be read has logged why; it says nothing of the card.
  if (!context.RecordStore.FindIssuedCard(number, card)) return {};
  if (!card) return AnsiFromUtf8("发卡记录中没有卡号 " + number);
  std::string text = AnsiFromUtf8("发卡记录：房间 ") + card->RoomNo + AnsiFromUtf8("，客人 ") +
                     card->GuestName + AnsiFromUtf8("，有效期 ") + Minutes(card->CheckInTime) +
                     AnsiFromUtf8(" 至 ") + Minutes(card->CheckOutTime);
  if (card->IsCopy) text += AnsiFromUtf8("，复制卡");
  if (card->Superseded) text += AnsiFromUtf8("；此后该房间已发新卡，此卡可能已不能开门");
  return text;
}

}  // namespace keydesk
