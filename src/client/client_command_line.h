#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/client_command.h"

namespace keydesk::client {

// The ports keydesk listens on when Option.ini does not say otherwise: the defaults of
// DoorlockPortNo, HandPortNo, MemberPortNo and PolicePortNo. The door lock and the hand-tag
// kinds share theirs, so one machine runs one of them at a time.
inline constexpr uint16_t kDoorlockPort = 8886;
inline constexpr uint16_t kHandPort = 8886;
inline constexpr uint16_t kMemberPort = 8883;
inline constexpr uint16_t kPolicePort = 8885;

// Reads keydesk-client's arguments (without the program name). Raises UsageError with a
// one-line message for an unknown command or option, a missing or repeated value, or an
// option the command does not take.
ClientCommand ParseClientCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string ClientUsageText();

}  // namespace keydesk::client
