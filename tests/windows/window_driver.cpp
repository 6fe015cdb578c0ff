// Drives the real keydesk.exe window from another process, through window messages, as an
// operator closing it would:
//
//   window_driver PORT PASSWORD PROGRAM [ARGUMENTS...]
//
// Starts PROGRAM with the arguments, waits until it accepts connections on 127.0.0.1:PORT and
// its main window shows, prints the window's title (UTF-8) on standard output, closes the
// window, types PASSWORD into the password prompt that comes and presses "确定", and waits
// for the program to end. The exit status is the program's; 100 and above mean that this
// helper failed, as it says on standard error.
#include <windows.h>
#include <winsock2.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "started_program.h"

namespace {

constexpr DWORD kWaitMilliseconds = 60'000;
constexpr int kPasswordEntry = 301;  // IDC_EDTPSWD of keydesk.rc

int Fail(const std::string& what) {
  std::cerr << "window_driver: " << what << " (error " << GetLastError() << ")" << std::endl;
  return 100;
}

// The program's visible top-level window of the class, or null.
struct Search {
  DWORD process;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto& wanted = *reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner != wanted.process || !IsWindowVisible(window) ||
      lstrcmpW(name, wanted.className) != 0) {
    return TRUE;
  }
  wanted.found = window;
  return FALSE;
}

HWND FindProgramWindow(DWORD process, const wchar_t* className) {
  Search search{process, className, nullptr};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits for the window; null when the program ends or the wait runs out first.
HWND WaitForWindow(HANDLE process, DWORD processId, const wchar_t* className) {
  const ULONGLONG deadline = GetTickCount64() + kWaitMilliseconds;
  while (GetTickCount64() < deadline && WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
    if (HWND window = FindProgramWindow(processId, className)) return window;
    Sleep(20);
  }
  return nullptr;
}

std::string Utf8(const std::wstring& text) {
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), length, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
  return utf8;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
  if (count < 4) {
    std::cerr << "usage: window_driver PORT PASSWORD PROGRAM [ARGUMENTS...]" << std::endl;
    return 101;
  }
  const auto port = static_cast<unsigned short>(std::wcstoul(arguments[1], nullptr, 10));
  const std::wstring password = arguments[2];
  PROCESS_INFORMATION process{};
  if (const char* failure = keydesk::test::StartListening(count, arguments, 3, port,
                                                          /*shareConsole=*/false, process)) {
    return Fail(failure);
  }
  const HWND mainWindow = WaitForWindow(process.hProcess, process.dwProcessId, L"TMainForm");
  if (mainWindow == nullptr) {
    TerminateProcess(process.hProcess, 1);
    return Fail("no main window");
  }
  wchar_t title[128] = {};
  GetWindowTextW(mainWindow, title, 128);
  std::cout << Utf8(title) << std::endl;

  // The close box, as a person clicks it.
  PostMessageW(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
  const HWND prompt = WaitForWindow(process.hProcess, process.dwProcessId, L"#32770");
  if (prompt == nullptr) {
    TerminateProcess(process.hProcess, 1);
    return Fail("no password prompt");
  }
  SetDlgItemTextW(prompt, kPasswordEntry, password.c_str());
  PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

  if (WaitForSingleObject(process.hProcess, kWaitMilliseconds) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    return Fail("the program did not end after the password");
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
