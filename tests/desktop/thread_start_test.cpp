// Starting routines on threads of their own.
#include <gtest/gtest.h>
#include <windows.h>

#include "desktop/thread_start.h"

namespace corvalis {
namespace {

struct Handshake {
  HANDLE go;
  HANDLE done;
  DWORD threadId;
};

DWORD WINAPI signalWhenTold(void* parameter) {
  auto* handshake = static_cast<Handshake*>(parameter);
  handshake->threadId = GetCurrentThreadId();
  WaitForSingleObject(handshake->go, 10000);
  SetEvent(handshake->done);
  return 42;
}

TEST(StartThread, RunsTheRoutineWithItsParameterOnAnotherThread) {
  Handshake handshake{CreateEventW(nullptr, TRUE, TRUE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr), 0};
  const UniqueKernelHandle thread = startThread(signalWhenTold, &handshake);
  ASSERT_TRUE(thread);
  ASSERT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  GetExitCodeThread(thread.get(), &exitCode);
  EXPECT_EQ(exitCode, 42u);
  EXPECT_NE(handshake.threadId, 0u);
  EXPECT_NE(handshake.threadId, GetCurrentThreadId());
  EXPECT_EQ(WaitForSingleObject(handshake.done, 0), WAIT_OBJECT_0);
  CloseHandle(handshake.go);
  CloseHandle(handshake.done);
}

TEST(StartThread, AHandleThatIsNotKeptLeavesTheThreadRunning) {
  Handshake handshake{CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr), 0};
  {
    const UniqueKernelHandle dropped = startThread(signalWhenTold, &handshake);
    ASSERT_TRUE(dropped);
  }  // the handle is closed here; the thread still waits for "go"
  SetEvent(handshake.go);
  EXPECT_EQ(WaitForSingleObject(handshake.done, 10000), WAIT_OBJECT_0);
  CloseHandle(handshake.go);
  CloseHandle(handshake.done);
}

TEST(StartThread, NoRoutineNoThread) { EXPECT_FALSE(startThread(nullptr, nullptr)); }

}  // namespace
}  // namespace corvalis
