// keydesk: the hotel interface server between the PMS and the guest-card encoder.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/headless.h"
#include "app/instance_guard.h"
#include "app/store_commands.h"
#include "doorlock/drevan_library.h"
#include "front_end.h"
#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/errors.h"
#include "platform/executable_path.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/resource_limits.h"
#include "platform/stop_request.h"

int main(int argc, char** argv) {
  using namespace keydesk;
  DynamicLibrary::RestrictSearchToSafeFolders();
  RaiseOpenFileLimit();
  CommandLine commandLine;
  try {
    commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const Error& error) {
    front_end::UseConsole();
    std::cerr << "keydesk: " << error.what() << "\n" << UsageText();
    return 2;
  }
  if (commandLine.Help || commandLine.Version || commandLine.InitDb || commandLine.Headless) {
    front_end::UseConsole();
  }
  if (commandLine.Help) {
    std::cout << UsageText();
    return 0;
  }
  if (commandLine.Version) {
    std::cout << "keydesk 1.0.0.0" << std::endl;
    return 0;
  }
  std::string executableFolder;
  try {
    executableFolder = ExecutableFolder();
  } catch (const Error& error) {
    // Windows: a folder whose name has characters outside code page 936.
    front_end::UseConsole();
    std::cerr << "keydesk: " << Utf8FromAnsi(error.what()) << std::endl;
    if (!commandLine.Headless && front_end::WhyNoWindow().empty()) {
      front_end::ShowStartupError(argc, argv, commandLine.InterfaceKind, error.what());
    }
    return 1;
  }
  const std::string folder = commandLine.Folder.empty() ? executableFolder : commandLine.Folder;
  if (commandLine.InitDb) return InitStore(folder, std::cerr);
  if (commandLine.MigrateStore) return MigrateStore(folder, std::cout, std::cerr);

  StartupSettings settings;
  settings.Folder = folder;
  settings.InterfaceKind = commandLine.InterfaceKind;
  settings.InstallDevice = !commandLine.NoDevice;
  settings.CardLibraryPath = DrevanLibrary::DefaultPath(executableFolder);

  const std::string whyNoWindow = commandLine.Headless ? "" : front_end::WhyNoWindow();
  const bool window = !commandLine.Headless && whyNoWindow.empty();
  // Before anything opens the folder's files, which may be another keydesk's.
  std::unique_ptr<FolderLock> folderLock;
  try {
    folderLock = HoldFolderForKind(folder, commandLine.InterfaceKind);
  } catch (const Error& error) {
    front_end::UseConsole();
    std::cerr << "keydesk: " << Utf8FromAnsi(error.what()) << std::endl;
    if (window) front_end::ShowStartupError(argc, argv, commandLine.InterfaceKind, error.what());
    return 1;
  }
  if (window) {
  } else {
    front_end::UseConsole();
    if (!commandLine.Headless) {
      std::cerr << "keydesk: " << whyNoWindow << "; running headless" << std::endl;
    }
    try {
      // Before any thread exists, so that every thread inherits the signal mask.
      InterceptStopRequests();
    } catch (const Error& error) {
      std::cerr << "keydesk: " << Utf8FromAnsi(error.what()) << std::endl;
      return 1;
    }
  }
  HeadlessResult result;
  {
    std::unique_ptr<Application> application;
    try {
      application = std::make_unique<Application>(std::move(settings));
    } catch (const Error& error) {
      std::cerr << "keydesk: " << Utf8FromAnsi(error.what()) << std::endl;
      if (window) {
        front_end::ShowStartupError(argc, argv, commandLine.InterfaceKind, error.what());
      }
      return 1;
    }
    if (window) {
      result = front_end::RunWindow(*application, argc, argv);
    } else {
      result = RunHeadless(*application, std::cout, std::cerr);
    }
    if (result.ThreadsLeftRunning) {
      // Stuck connection threads still use the application's objects: end without
      // freeing them.
      std::cout.flush();
      std::cerr.flush();
      std::_Exit(result.ExitStatus);
    }
  }
  return result.ExitStatus;
}
