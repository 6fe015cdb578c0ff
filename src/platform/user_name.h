#pragma once

#include <string>

namespace keydesk {

// The name of the user the operating system says runs this program (code page 936), for the
// audit of what was changed at the desk; empty when the system will not say.
std::string UserName();

}  // namespace keydesk
