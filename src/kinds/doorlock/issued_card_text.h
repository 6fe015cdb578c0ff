#pragma once

#include <cstdint>
#include <string>

namespace keydesk {

struct ServiceContext;

// The journal's word on a card read from the encoder, code page 936, for the log and the
// test dialog: its room, guest and validity, and whether a later normal card for that room
// has been issued since (so this card may no longer open the door). Empty when the journal
// is not kept (SaveDoorlockRecord off) or cannot be read.
std::string IssuedCardText(const ServiceContext& context, int64_t cardNo);

}  // namespace keydesk
