// keydesk: the hotel interface server between the PMS and the guest-card encoder.
#include <iostream>
#include <string>
#include <vector>

#include "app/instance_guard.h"
#include "app/startup.h"
#include "app/store_commands.h"
#include "front_end.h"
#include "platform/folder_lock.h"
#include "platform/stop_request.h"

int main(int argc, char** argv) {
  using namespace keydesk;
  PrepareProcess();
  CommandLine commandLine;
  bool window = false;  // once chosen, a failed start is shown in a box as well
  try {
    commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    const std::string whyNoWindow = commandLine.Headless ? "" : front_end::WhyNoWindow();
    window = !commandLine.Headless && whyNoWindow.empty();
    if (!window || RunsOnConsole(commandLine)) front_end::UseConsole();
    if (commandLine.Help || commandLine.Version) {
      std::cout << (commandLine.Help ? UsageText() : VersionText()) << std::flush;
      return 0;
    }
    StartupSettings settings = SettingsFor(commandLine);
    if (commandLine.InitDb) return InitStore(settings.Folder, std::cerr);
    if (commandLine.MigrateStore) return MigrateStore(settings.Folder, std::cout, std::cerr);
    // Before anything opens the folder's files, which may be another keydesk's.
    const auto folderLock = HoldFolderForKind(settings.Folder, commandLine.InterfaceKind);
    if (!window) {
      if (!commandLine.Headless) std::cerr << "keydesk: " << whyNoWindow << "; running headless\n";
      InterceptStopRequests();  // before any thread exists: every thread takes its signal mask
    }
    Application application(std::move(settings));
    const HeadlessResult result = window ? front_end::RunWindow(application, argc, argv)
                                         : RunHeadless(application, std::cout, std::cerr);
    // Stuck connection threads still use the application's objects: end without freeing them.
    if (result.ThreadsLeftRunning) EndLeavingThreads(result.ExitStatus);
    return result.ExitStatus;
  } catch (const Error& error) {  // every start that fails ends here
    front_end::UseConsole();
    const StartupFailure failure = StartupFailureOf(error);
    std::cerr << "keydesk: " << failure.Text << std::flush;
    if (window) front_end::ShowStartupError(argc, argv, commandLine.InterfaceKind, error.what());
    return failure.ExitStatus;
  }
}
