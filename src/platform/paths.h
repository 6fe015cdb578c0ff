#pragma once

#include <string>
#include <string_view>

namespace keydesk {

// The full path of a file in a folder.
std::string PathInFolder(std::string_view folder, std::string_view name);

}  // namespace keydesk
