#pragma once

#include <string>

namespace keydesk {

class Clock;

// The texts that the test dialogs' check-in and check-out boxes open with: an hour before
// now and two days after now, as "YYYY-MM-DD HH:NN:SS".
std::string DefaultTestCheckIn(const Clock& clock);
std::string DefaultTestCheckOut(const Clock& clock);

}  // namespace keydesk
