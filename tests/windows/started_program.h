#pragma once
// What the Windows test tools that start keydesk.exe share: its command line, and waiting
// until it listens.
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

}  // namespace keydesk::test
