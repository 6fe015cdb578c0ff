#include "app/startup.h"

#include <cstdlib>
#include <iostream>

#include "doorlock/drevan_library.h"
#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/executable_path.h"
#include "platform/resource_limits.h"

namespace keydesk {

void PrepareProcess() {
  DynamicLibrary::RestrictSearchToSafeFolders();
  RaiseOpenFileLimit();
}

bool RunsOnConsole(const CommandLine& commandLine) {
  return commandLine.Help || commandLine.Version || commandLine.InitDb;
}

StartupSettings SettingsFor(const CommandLine& commandLine) {
  const std::string executableFolder = ExecutableFolder();
  StartupSettings settings;
  settings.Folder = commandLine.Folder.empty() ? executableFolder : commandLine.Folder;
  settings.InterfaceKind = commandLine.InterfaceKind;
  settings.InstallDevice = !commandLine.NoDevice;
  settings.CardLibraryPath = DrevanLibrary::DefaultPath(executableFolder);
  return settings;
}

StartupFailure StartupFailureOf(const Error& error) {
  // The command line's own words are as they were typed, not code page 936.
  if (dynamic_cast<const UsageError*>(&error) != nullptr) {
    return {std::string(error.what()) + "\n" + UsageText(), 2};
  }
  return {Utf8FromAnsi(error.what()) + "\n", 1};
}

void EndLeavingThreads(int exitStatus) {
  std::cout.flush();
  std::cerr.flush();
  std::_Exit(exitStatus);
}

}  // namespace keydesk
