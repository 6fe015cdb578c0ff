#pragma once

#include <string>
#include <vector>

#include "platform/errors.h"

namespace keydesk {

// A command line that cannot be read; the message names the offending argument.
class UsageError : public Error {
 public:
  using Error::Error;
};

struct CommandLine {
  bool Headless = false;
  std::string Folder;  // empty: the executable's folder
  int InterfaceKind = 1;
  bool NoDevice = false;
  bool InitDb = false;
  bool MigrateStore = false;
  bool Version = false;
  bool Help = false;
};

// Raises UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();
// "keydesk" and the version, on a line of its own.
std::string VersionText();

}  // namespace keydesk
