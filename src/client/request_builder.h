#pragma once

#include <string>
#include <string_view>

#include "client/client_command.h"

namespace keydesk::client {

// The request text of a command, as a PMS sends it: one line of XML without a declaration,
// the fields as elements in the positions keydesk reads them from, values escaped; UTF-8.
// Raises UsageError when a value cannot be sent: text that is not UTF-8 or that holds a
// character keydesk cannot carry, a room or a time it would not read, a check-out before
// the check-in, a channel that is not an integer. Not for Operation::Raw.
std::string RequestText(const ClientCommand& command);

// The bytes on the wire: the text and one NUL. A text that already ends in a NUL (a raw
// request file written with it) is taken as it is.
std::string RequestFrame(std::string_view text);

}  // namespace keydesk::client
