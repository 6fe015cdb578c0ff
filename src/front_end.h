#pragma once

#include <string>

#include "app/headless.h"

namespace keydesk {

class Application;
struct StartupSettings;

// The program's window: the Qt window of src/ui on Linux (front_end_qt.cpp), the Win32 window
// of src/ui_win32 on Windows (front_end_win32.cpp), where keydesk.exe is a window program.
namespace front_end {

// Makes standard output and error usable for a run without the window (--headless, a usage
// error, --help, --version). On Windows a window program has none of its own: it writes to
// the console it was started from, or wherever they were redirected. Call before writing.
void UseConsole();

// Empty when the window can be shown now; otherwise why not, for a note on standard error.
std::string WhyNoWindow();

// Shows in a box why start-up failed (message is code page 936).
void ShowStartupError(int& argc, char** argv, int interfaceKind, const std::string& message);

// Runs the window until it is closed, then shuts the application down as RunHeadless does.
HeadlessResult RunWindow(Application& application, int& argc, char** argv);

}  // namespace front_end
}  // namespace keydesk
