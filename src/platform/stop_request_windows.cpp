#include <windows.h>

#include "platform/errors.h"
#include "platform/stop_request.h"
#include "platform/unique_handle_windows.h"
#include "platform/wide_text_windows.h"

namespace keydesk {
namespace {

// Signalled once a stop is asked for, and left so: a second Ctrl+C changes nothing. Lives
// until the process ends, since a handler may still be running then.
UniqueHandle& StopEvent() {
  static UniqueHandle event(CreateEventW(nullptr, /*bManualReset=*/TRUE, FALSE, nullptr));
  return event;
}

// Runs on a thread that the console starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  SetEvent(StopEvent().Get());
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // Closing the console, logging off, shutting down: returning would end the process at
  // once, in the middle of its shutdown and with another exit status. main's return ends it.
  Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void InterceptStopRequests() {
  if (!StopEvent().Valid()) throw Error("CreateEventW: " + SystemErrorText(GetLastError()));
  if (!SetConsoleCtrlHandler(&OnConsoleEvent, TRUE)) {
    throw Error("SetConsoleCtrlHandler: " + SystemErrorText(GetLastError()));
  }
}

void WaitForStopRequest() { WaitForSingleObject(StopEvent().Get(), INFINITE); }

}  // namespace keydesk
