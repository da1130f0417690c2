// Draining the queue: everything queued is dispatched, WM_QUIT stays for the loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/message_pump.h"

namespace corvalis {
namespace {

std::vector<UINT> received;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_APP || message == WM_CHAR) {
    received.push_back(message == WM_CHAR ? static_cast<UINT>(wParam) : message);
    // The first private message queues another one while it is handled.
    if (message == WM_APP + 1) PostMessageW(window, WM_APP + 3, 0, 0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND makeRecordingWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = recordingProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"CorvalisPumpTest";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, L"CorvalisPumpTest", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

TEST(ProcessPendingMessages, DispatchesAllAndLeavesQuitQueued) {
  const HWND window = makeRecordingWindow();
  ASSERT_NE(window, nullptr);
  processPendingMessages();  // whatever window creation queued
  received.clear();

  PostMessageW(window, WM_APP + 1, 0, 0);
  PostQuitMessage(7);
  PostMessageW(window, WM_APP + 2, 0, 0);
  // A key press is translated: the window gets the character too.
  PostMessageW(window, WM_KEYDOWN, 'A', 0x001E0001);
  processPendingMessages();

  // Posted messages keep their order; the character and the message posted during
  // dispatch join the queue behind them in an order that is the system's business.
  ASSERT_EQ(received.size(), 4u);
  EXPECT_EQ(received[0], static_cast<UINT>(WM_APP + 1));
  EXPECT_EQ(received[1], static_cast<UINT>(WM_APP + 2));
  std::sort(received.begin() + 2, received.end());
  EXPECT_EQ(received[2], static_cast<UINT>('a'));
  EXPECT_EQ(received[3], static_cast<UINT>(WM_APP + 3));

  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
  DestroyWindow(window);
  processPendingMessages();
}

TEST(ProcessPendingMessages, ReturnsAtOnceOnAnEmptyQueue) {
  processPendingMessages();
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  processPendingMessages();  // must not block
}

}  // namespace
}  // namespace corvalis
