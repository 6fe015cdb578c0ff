#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace keydesk {

struct GuestCardIssue;

// What a guest card can hold, as the card library's fields set it: the room text has room for
// six bytes, the guest name (of the power-switch block) for eight; the validity texts write
// two-digit years of this century, and the start stamp, "yymmddhhnn" as a number, outgrows
// 32 bits after 2042.
inline constexpr size_t kCardRoomBytes = 6;
inline constexpr size_t kCardGuestNameBytes = 8;
inline constexpr int kFirstCardYear = 2000;
inline constexpr int kLastStartYear = 2042;
inline constexpr int kLastEndYear = 2099;

// Why the card cannot be written as asked, in code page 936; none when it can. start is the
// validity start as it would be written (after the delays and the record store's rule); the
// end is card.CheckOut. Checked before the encoder or the store is touched: a room the card
// cannot hold, a control character or NUL in a value the card gets, a time outside what the
// card's texts and start stamp can hold, an end not after the start.
std::optional<std::string> IssueRefusal(const GuestCardIssue& card, DateTime start);

// The guest name as the card gets it: cut to kCardGuestNameBytes at a character boundary,
// never through a two-byte character. The journal keeps the whole name.
std::string CardGuestName(std::string_view name);

}  // namespace keydesk
