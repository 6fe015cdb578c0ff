#pragma once

#include <string>

#include "app/application.h"
#include "app/command_line.h"
#include "platform/errors.h"

namespace keydesk {

// The steps of the program's start that need no window; main wires them to the front end.

// First of all, on the main thread: libraries are looked for in safe folders only, and every
// connection may have its descriptor.
void PrepareProcess();

// A run that answers on the console and opens no window: --help, --version, --init-db.
bool RunsOnConsole(const CommandLine& commandLine);

// The run's settings: the data folder (--dir, or the executable's), the kind and whether its
// device is installed, the card library beside the executable. Raises Error when the
// executable's folder cannot be named (on Windows, a name outside code page 936).
StartupSettings SettingsFor(const CommandLine& commandLine);

// What an error that ended the start comes to: the text after "keydesk: " on standard error
// (UTF-8, ending in a line break) and the exit status: the usage and 2 for a command line that
// cannot be read, 1 otherwise.
struct StartupFailure {
  std::string Text;
  int ExitStatus = 1;
};
StartupFailure StartupFailureOf(const Error& error);

// Ends the process at once with its output flushed, freeing nothing: connection threads that
// outlasted the stop still use the application's objects.
[[noreturn]] void EndLeavingThreads(int exitStatus);

}  // namespace keydesk
