#pragma once

#include <string>

namespace keydesk {

// The allowed hosts of a new install: this machine alone, until the hotel names its PMS.
inline constexpr const char* kNewInstallAllowedHosts = "127.0.0.1";

// Gives a folder without Option.ini the Option.ini of a new install, whose [Network]
// AllowedHosts is kNewInstallAllowedHosts: a fresh install must not cut keys for whoever
// reaches its port. An Option.ini that is there is never touched, so a site that has one
// serves as it did. Returns the file's path when it was written, empty when one was there;
// raises IoError when it cannot be written. Private to its owner, as the password will be
// written into it.
std::string WriteNewInstallOptions(const std::string& folder);

}  // namespace keydesk
