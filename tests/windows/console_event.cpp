// Delivers a console event to keydesk.exe as the console does when the operator presses
// Ctrl+Break or closes the console window, which Wine cannot do for a program without a
// console window: the console starts a thread at the system's control routine in the
// program, with the event as its argument.
//
//   console_event EVENT PORT PROGRAM [ARGUMENTS...]
//
// Starts PROGRAM with the arguments (standard output and error are this program's), waits
// until it accepts connections on 127.0.0.1:PORT, delivers EVENT (1 Ctrl+Break, 2 close, 6
// shutdown) and waits for it to end. The exit status is the program's; 100 and above mean
// that this helper failed, as it says on standard error.
#include <windows.h>
#include <winsock2.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "started_program.h"

namespace {

constexpr DWORD kWaitMilliseconds = 60'000;

int Fail(const std::string& what) {
  std::cerr << "console_event: " << what << " (error " << GetLastError() << ")" << std::endl;
  return 100;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
  if (count < 4) {
    std::cerr << "usage: console_event EVENT PORT PROGRAM [ARGUMENTS...]" << std::endl;
    return 101;
  }
  const DWORD event = static_cast<DWORD>(std::wcstoul(arguments[1], nullptr, 10));
  const auto port = static_cast<unsigned short>(std::wcstoul(arguments[2], nullptr, 10));
  PROCESS_INFORMATION process{};
  if (const char* failure = keydesk::test::StartListening(count, arguments, 3, port,
                                                          /*shareConsole=*/true, process)) {
    return Fail(failure);
  }

  // The routine lies at the same address in every process: system libraries are mapped alike.
  const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
  if (routine == nullptr) return Fail("no CtrlRoutine in kernel32.dll");
  HANDLE thread =
      CreateRemoteThread(process.hProcess, nullptr, 0, routine,
                         reinterpret_cast<void*>(static_cast<DWORD_PTR>(event)), 0, nullptr);
  if (thread == nullptr) return Fail("cannot start the control routine in the program");
  CloseHandle(thread);

  if (WaitForSingleObject(process.hProcess, kWaitMilliseconds) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    return Fail("the program did not end after the event");
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
