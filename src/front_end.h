#pragma once

#include <string>

#include "app/headless.h"

namespace keydesk {

class Application;
struct StartupSettings;

// The program's window, where the build has one: the Qt window of src/ui on Linux
// (front_end_qt.cpp); none yet on Windows (front_end_console.cpp), where keydesk.exe is a
// console program that always runs headless.
namespace front_end {

// Empty when the window can be shown now; otherwise why not, for a note on standard error.
std::string WhyNoWindow();

// Puts the window's option dialogs into the start-up settings.
void InstallDialogs(StartupSettings& settings);

// Shows in a box why start-up failed (message is code page 936).
void ShowStartupError(int& argc, char** argv, int interfaceKind, const std::string& message);

// Runs the window until it is closed, then shuts the application down as RunHeadless does.
HeadlessResult RunWindow(Application& application, int& argc, char** argv);

}  // namespace front_end
}  // namespace keydesk
