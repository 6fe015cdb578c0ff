#pragma once

#include <cstdint>
#include <string>

namespace keydesk {

struct ServiceContext;
struct TCardDetails;

// A card read from the encoder checked against the journal, code page 936, for the log, the
// clerk's list and the test dialog. Both empty when no journal is kept (SaveDoorlockRecord
// off).
struct CardCheck {
  // The journal's word on the card: its room, guest and validity as written to the card.
  std::string Journal;
  // What the clerk must notice although the read succeeded: the card differs from its row
  // ("卡上数据与发卡记录不符：房间 11 / 020317"), a later normal card for the room shut it out,
  // its row says it was not made well, the journal has no row for it or cannot be read.
  std::string Warning;
};

// Compares room, start and end on the card (details, as far as the driver tells them) with
// the journal's newest row of its number. The room on the card is the room number alone;
// the journal keeps building, floor and room, which must end with it.
CardCheck CheckIssuedCard(const ServiceContext& context, int64_t cardNo,
                          const TCardDetails& details);

// Why a read failed, for the clerk: no encoder, blocks of different cards, or the block and
// the library's code.
std::string ReadFailureReason(bool hasDriver, const TCardDetails& details);

// "yymmddhhnn" as "20yy-mm-dd hh:nn"; anything else as it is.
std::string ValidityForPeople(const std::string& validity);

}  // namespace keydesk
