#include "program_platform.h"

#include <cstdlib>
#include <stdexcept>

namespace keydesk::test {

std::string WindowsBuild() {
  const char* folder = std::getenv("KEYDESK_WINDOWS_BUILD");
  if (folder == nullptr || *folder == '\0') {
    throw std::runtime_error(
        "KEYDESK_WINDOWS_BUILD must name the Windows build folder; its CTest sets it");
  }
  return folder;
}

std::string Wine() {
  const char* loader = std::getenv("KEYDESK_WINE");
  return loader != nullptr && *loader != '\0' ? loader : "/usr/bin/wine";
}

std::string WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return windows;
}

std::string WindowsProgram() { return WindowsBuild() + "/keydesk-console.exe"; }

ProgramPlatform LinuxPlatform() {
  return {"Linux", {}, [](const std::string& path) { return path; }};
}

ProgramPlatform WindowsPlatform() {
  Launch launch;
  launch.program = WindowsProgram();
  launch.commandPrefix = {Wine()};
  launch.folderPrefix = "Z:";
  return {"Windows", launch, [](const std::string& path) { return WindowsPath(path); }};
}

ProgramPlatform PlatformUnderTest() {
  const char* folder = std::getenv("KEYDESK_WINDOWS_BUILD");
  return folder != nullptr && *folder != '\0' ? WindowsPlatform() : LinuxPlatform();
}

}  // namespace keydesk::test
