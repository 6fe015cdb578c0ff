#include <iostream>

#include "front_end.h"

// A build without Qt (the service's program, or a machine set up only to run keydesk
// headless): every run is headless.
namespace keydesk::front_end {

void UseConsole() {}

std::string WhyNoWindow() { return "built without a window"; }

void ShowStartupError(int&, char**, int, const std::string&) {}

HeadlessResult RunWindow(Application&, int&, char**) {
  std::cerr << "keydesk: built without a window" << std::endl;
  return {1, false};
}

}  // namespace keydesk::front_end
