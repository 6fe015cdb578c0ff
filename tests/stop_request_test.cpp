#include "platform/stop_request.h"

#include <gtest/gtest.h>

#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace keydesk {
namespace {

// Interception is for the whole process and, on Windows, for good: one request per test
// program there. Each case delivers its request as the system does.
#if defined(_WIN32)
// The console delivers an event by starting a thread at the system's control routine in the
// program, which calls the handlers.
TEST(StopRequestTest, CtrlBreakEndsTheWait) {
  InterceptStopRequests();
  const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
  ASSERT_NE(routine, nullptr);
  HANDLE thread =
      CreateThread(nullptr, 0, routine,
                   reinterpret_cast<void*>(static_cast<DWORD_PTR>(CTRL_BREAK_EVENT)), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForStopRequest();
  // The handler said it handled the event, so the process goes on after it.
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD handled = 0;
  GetExitCodeThread(thread, &handled);
  EXPECT_EQ(handled, 1u);
  CloseHandle(thread);
}
#else
void StopBy(int signal) {
  InterceptStopRequests();
  // From another thread, to the process: whichever thread the system picks has the signal
  // blocked, so it waits for WaitForStopRequest.
  std::thread sender([signal] { ::kill(::getpid(), signal); });
  WaitForStopRequest();
  sender.join();
}

TEST(StopRequestTest, SigintEndsTheWait) { StopBy(SIGINT); }

TEST(StopRequestTest, SigtermEndsTheWait) { StopBy(SIGTERM); }
#endif

}  // namespace
}  // namespace keydesk
