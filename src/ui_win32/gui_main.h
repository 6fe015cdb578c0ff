#pragma once

#include <string>

namespace keydesk {

class Application;

// What a run with the window ended with.
struct WindowResult {
  int ExitStatus = 0;
  // Connection threads did not end in time; the process must end without freeing what
  // they still use.
  bool ThreadsLeftRunning = false;
};

// Shows why start-up failed in an error box titled with the kind's title, so that an operator
// who started keydesk from the desktop sees why nothing opens. message is code page 936.
void ShowStartupError(int interfaceKind, const std::string& message);

// Runs the main window over the application's desk until it is closed (after the
// administrator password) or the session ends, then stops the listener and shuts the
// application down.
WindowResult RunWindow(Application& application);

}  // namespace keydesk
