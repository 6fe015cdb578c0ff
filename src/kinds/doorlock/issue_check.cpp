#include "kinds/doorlock/issue_check.h"

#include <algorithm>

#include "kinds/doorlock/guest_card_issue.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

bool YearWithin(DateTime time, int first, int last) {
  const int year = time.Decode().year;
  return year >= first && year <= last;
}

}  // namespace

std::optional<std::string> IssueRefusal(const GuestCardIssue& card, DateTime start) {
  if (card.RoomNo.empty()) return AnsiFromUtf8("房号为空");
  if (card.RoomNo.size() > kCardRoomBytes) {
    return AnsiFromUtf8("房号长于卡上的 " + std::to_string(kCardRoomBytes) + " 个字符");
  }
  if (HasControlCharacter(card.RoomNo)) return AnsiFromUtf8("房号含有控制字符");
  if (HasControlCharacter(card.GuestName)) return AnsiFromUtf8("客人姓名含有控制字符");
  if (!YearWithin(start, kFirstCardYear, kLastStartYear)) {
    return AnsiFromUtf8("起始时间 ") + FormatDateTime("yyyy-mm-dd hh:nn:ss", start) +
           AnsiFromUtf8(" 不在卡能记下的 2000 年到 2042 年之间");
  }
  if (!YearWithin(card.CheckOut, kFirstCardYear, kLastEndYear)) {
    return AnsiFromUtf8("结束时间 ") + FormatDateTime("yyyy-mm-dd hh:nn:ss", card.CheckOut) +
           AnsiFromUtf8(" 不在卡能记下的 2000 年到 2099 年之间");
  }
  if (card.CheckOut <= start) {
    return AnsiFromUtf8(card.CheckOut < start ? "结束时间早于起始时间" : "结束时间等于起始时间") +
           AnsiFromUtf8("（") + FormatDateTime("yyyy-mm-dd hh:nn:ss", start) +
           AnsiFromUtf8(" 至 ") + FormatDateTime("yyyy-mm-dd hh:nn:ss", card.CheckOut) +
           AnsiFromUtf8("）");
  }
  return std::nullopt;
}

std::string CardGuestName(std::string_view name) {
  size_t kept = 0;
  while (kept < name.size()) {
    const size_t length = std::max<size_t>(1, AnsiCharacterLength(name.substr(kept)));
    if (kept + length > kCardGuestNameBytes) break;
    kept += length;
  }
  return std::string(name.substr(0, kept));
}

}  // namespace keydesk
