#include "kinds/doorlock/issued_card_text.h"

#include <vector>

#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"
#include "store/issue_result.h"
#include "store/record_store.h"

namespace keydesk {
namespace {

// Stored times keep seconds and milliseconds; the desk reads minutes.
std::string Minutes(const std::string& stored) { return stored.substr(0, 16); }

// A stored time ("yyyy-mm-dd hh:nn:ss.zzz") as the card writes it ("yymmddhhnn"); empty for
// a text of another form.
std::string CardValidity(const std::string& stored) {
  if (stored.size() < 16) return {};
  return stored.substr(2, 2) + stored.substr(5, 2) + stored.substr(8, 2) + stored.substr(11, 2) +
         stored.substr(14, 2);
}

// "what card / journal" for each field that differs.
std::vector<std::string> Differences(const TIssuedCard& row, const TCardDetails& details) {
  std::vector<std::string> differences;
  const std::string& key = row.RoomNo;
  if (!details.RoomNo.empty() && !key.ends_with(details.RoomNo)) {
    differences.push_back(AnsiFromUtf8("房间 ") + details.RoomNo + " / " + key);
  }
  const auto compare = [&](const char* whatUtf8, const std::string& onCard,
                           const std::string& stored) {
    const std::string journaled = CardValidity(stored);
    if (onCard.empty() || journaled.empty() || onCard == journaled) return;
    differences.push_back(AnsiFromUtf8(whatUtf8) + ValidityForPeople(onCard) + " / " +
                          Minutes(stored));
  };
  compare("起始 ", details.ValidFrom, row.LastCheckInTime);
  compare("结束 ", details.ValidTo, row.CheckOutTime);
  return differences;
}

std::string Joined(const std::vector<std::string>& parts, const char* separatorUtf8) {
  std::string text;
  for (const std::string& part : parts) {
    text += (text.empty() ? "" : AnsiFromUtf8(separatorUtf8)) + part;
  }
  return text;
}

}  // namespace

std::string ValidityForPeople(const std::string& validity) {
  if (validity.size() != 10) return validity;
  return "20" + validity.substr(0, 2) + "-" + validity.substr(2, 2) + "-" + validity.substr(4, 2) +
         " " + validity.substr(6, 2) + ":" + validity.substr(8, 2);
}

std::string ReadFailureReason(bool hasDriver, const TCardDetails& details) {
  if (!hasDriver) return AnsiFromUtf8("没有发卡器");
  if (!details.Inconsistency.empty()) return AnsiFromUtf8("卡不完整，") + details.Inconsistency;
  if (!details.Failure.empty()) return details.Failure;
  return AnsiFromUtf8("发卡器没有读成");
}

CardCheck CheckIssuedCard(const ServiceContext& context, int64_t cardNo,
                          const TCardDetails& details) {
  if (!context.SysOption.SaveDoorlockRecord) return {};
  const std::string number = std::to_string(cardNo);
  std::optional<TIssuedCard> card;
  // The store has logged why it cannot be read.
  if (!context.RecordStore.FindIssuedCard(number, card)) {
    return {AnsiFromUtf8("发卡记录无法读取"), AnsiFromUtf8("发卡记录无法读取，不能核对此卡")};
  }
  if (!card) {
    return {AnsiFromUtf8("发卡记录中没有卡号 " + number), AnsiFromUtf8("发卡记录中没有此卡")};
  }
  // The validity as written to the card: its start, not the request's check-in.
  const std::string& start =
      card->LastCheckInTime.empty() ? card->CheckInTime : card->LastCheckInTime;
  CardCheck check;
  check.Journal = AnsiFromUtf8("发卡记录：房间 ") + card->RoomNo + AnsiFromUtf8("，客人 ") +
                  card->GuestName + AnsiFromUtf8("，有效期 ") + Minutes(start) +
                  AnsiFromUtf8(" 至 ") + Minutes(card->CheckOutTime);
  if (card->IsCopy) check.Journal += AnsiFromUtf8("，复制卡");

  std::vector<std::string> warnings;
  if (const auto differences = Differences(*card, details); !differences.empty()) {
    warnings.push_back(AnsiFromUtf8("卡上数据与发卡记录不符：") + Joined(differences, "，"));
  }
  if (card->Superseded) {
    check.Journal += AnsiFromUtf8("；此后该房间已发新卡，此卡可能已不能开门");
    warnings.push_back(AnsiFromUtf8("此后该房间已发新卡，此卡可能已不能开门"));
  }
  if (NeedsAttention(IssueStateOf(card->IssueResult))) {
    warnings.push_back(AnsiFromUtf8("发卡记录的结果：") + card->IssueResult);
  }
  check.Warning = Joined(warnings, "；");
  return check;
}

}  // namespace keydesk
