#include "front_end.h"

// Windows has no window yet: WhyNoWindow always answers, so main never asks for the rest.
namespace keydesk::front_end {

std::string WhyNoWindow() { return "no window in this build"; }

void InstallDialogs(StartupSettings&) {}

void ShowStartupError(int&, char**, int, const std::string&) {}

HeadlessResult RunWindow(Application&, int&, char**) { return {1, false}; }

}  // namespace keydesk::front_end
