#pragma once

#include <string>

#include "server_process.h"

namespace keydesk::test {

// Which keydesk a test starts, and how that program names the test's files: this build's
// Linux program, or a Windows build's keydesk-console.exe under Wine. A Windows build's CTest
// names its folder in KEYDESK_WINDOWS_BUILD and Wine's loader for it in KEYDESK_WINE (the
// 64-bit build needs wine64); it runs the tests through scripts/wine-run, which gives Windows
// programs the ANSI code page 936 of a Chinese Windows PC.
struct ProgramPlatform {
  std::string name;
  Launch launch;
  std::string (*path)(const std::string&);
};

ProgramPlatform LinuxPlatform();
// Raises std::runtime_error when KEYDESK_WINDOWS_BUILD is unset.
ProgramPlatform WindowsPlatform();
// The Windows build's program where KEYDESK_WINDOWS_BUILD is set, else the Linux one.
ProgramPlatform PlatformUnderTest();

std::string WindowsBuild();
std::string Wine();
// A Linux path as a Windows program under Wine names it: drive Z: is the Linux root.
std::string WindowsPath(const std::string& path);
// The console program: Wine hands Ctrl+C (SIGINT) to console programs only.
std::string WindowsProgram();

}  // namespace keydesk::test
