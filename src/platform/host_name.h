#pragma once

#include <string>

namespace keydesk {

// This computer's name (code page 936), to tell desks sharing a store apart; empty when the
// system will not say.
std::string HostName();

}  // namespace keydesk
