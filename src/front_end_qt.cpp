#include "app/application.h"
#include "front_end.h"
#include "ui/gui_main.h"

namespace keydesk::front_end {

void UseConsole() {}

std::string WhyNoWindow() { return DisplayAvailable() ? std::string() : "no display"; }

void ShowStartupError(int& argc, char** argv, int interfaceKind, const std::string& message) {
  keydesk::ShowStartupError(argc, argv, interfaceKind, message);
}

HeadlessResult RunWindow(Application& application, int& argc, char** argv) {
  const WindowResult ended = keydesk::RunWindow(application, argc, argv);
  return {ended.ExitStatus, ended.ThreadsLeftRunning};
}

}  // namespace keydesk::front_end
