#pragma once
// What the Windows test tools that start keydesk.exe share: its command line, starting it
// and waiting until it listens.
#include <windows.h>
#include <winsock2.h>

#include <string>

namespace keydesk::test {

inline constexpr DWORD kStartWaitMilliseconds = 60'000;

// One argument of a command line, quoted as CommandLineToArgvW reads it back.
inline std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

inline bool Accepts(unsigned short port) {
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  closesocket(probe);
  return connected;
}

// Waits until the started process accepts connections on 127.0.0.1:port. Null when it does;
// otherwise why not (a process that does not listen in time is ended).
inline const char* WaitUntilListening(HANDLE process, unsigned short port) {
  const ULONGLONG deadline = GetTickCount64() + kStartWaitMilliseconds;
  while (!Accepts(port)) {
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      return "the program ended before it listened";
    }
    if (GetTickCount64() > deadline) {
      TerminateProcess(process, 1);
      return "the program did not listen";
    }
    Sleep(20);
  }
  return nullptr;
}

// Starts the program and arguments in arguments[first..count) and waits until it accepts
// connections on 127.0.0.1:port; with shareConsole it writes to this process's standard
// handles. Null when it listens (process then holds its handle); otherwise why not.
inline const char* StartListening(int count, wchar_t** arguments, int first, unsigned short port,
                                  bool shareConsole, PROCESS_INFORMATION& process) {
  std::wstring commandLine;
  for (int i = first; i < count; ++i) {
    commandLine += (i > first ? L" " : L"") + Quoted(arguments[i]);
  }
  WSADATA winsock;
  if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) return "WSAStartup";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (shareConsole) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
      SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
  }
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, shareConsole, 0, nullptr,
                      nullptr, &startup, &process)) {
    return "cannot start the program";
  }
  CloseHandle(process.hThread);
  return WaitUntilListening(process.hProcess, port);
}

}  // namespace keydesk::test
