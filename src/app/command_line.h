#pragma once

#include <string>
#include <vector>

namespace keydesk {

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

// Raises Error with a message that names the offending argument.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();

}  // namespace keydesk
