#pragma once

#include <string>

namespace keydesk {

// The folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

}  // namespace keydesk
