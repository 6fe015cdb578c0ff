#include <windows.h>

#include <cstdio>
#include <iostream>

#include "app/application.h"
#include "front_end.h"
#include "platform/code_page.h"
#include "ui_win32/gui_main.h"

namespace keydesk::front_end {
namespace {

bool Usable(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void UseConsole() {
  // Redirected (a file, a pipe, a service wrapper): those stay.
  if (Usable(STD_OUTPUT_HANDLE) || Usable(STD_ERROR_HANDLE)) return;
  // Started from a console: write there, and take its Ctrl+C as a console program does.
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
  std::freopen("CONIN$", "r", stdin);
  std::cout.clear();
  std::cerr.clear();
}

// Windows always has a desktop to open the window on.
std::string WhyNoWindow() { return {}; }

void ShowStartupError(int&, char**, int interfaceKind, const std::string& message) {
  keydesk::ShowStartupError(interfaceKind, message);
}

HeadlessResult RunWindow(Application& application, int&, char**) {
  try {
    const WindowResult ended = keydesk::RunWindow(application);
    return {ended.ExitStatus, ended.ThreadsLeftRunning};
  } catch (const std::exception& error) {
    // The window could not be made (no desktop to show it on); say why where it can be read.
    UseConsole();
    std::cerr << "keydesk: " << Utf8FromAnsi(error.what()) << std::endl;
    return {1, false};
  }
}

}  // namespace keydesk::front_end
