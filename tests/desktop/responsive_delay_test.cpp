// The responsive delay: its length, and the messages it dispatches while it waits.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "base/message_pump.h"
#include "desktop/responsive_delay.h"

namespace corvalis {
namespace {

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(DelayDueTime, UnitsAndLimits) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  struct Case {
    std::int32_t amount, unit;
    std::int64_t expected;
  };
  const std::vector<Case> cases = {
      {30, 0, -300000},                  // 30 ms
      {30, 1, -300000000},               // 30 s
      {2, 2, -1200000000},               // 2 min
      {1, 3, -36000000000},              // 1 h
      {5, 7, -350000},                   // other units are ms per unit: 5 x 7 ms
      {100, 0, -1000000},
      {0, 0, 0},                         // nothing to wait
      {-5, 0, 0},                        // negative: nothing to wait
      {5, -2, 0},                        // negative unit length: nothing to wait
      {0x7FFFFFFF, 0, -21474836470000},
      {0x7FFFFFFF, 3, -kMax},            // beyond 64 bits: held at the end
      {0x7FFFFFFF, 0x7FFFFFFF, -kMax},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.amount) + " x unit " + std::to_string(c.unit));
    EXPECT_EQ(delayDueTime(c.amount, c.unit), c.expected);
  }
  EXPECT_EQ(delayUnitMilliseconds(1), 1000.0);
  EXPECT_EQ(delayUnitMilliseconds(250), 250.0);
}

std::vector<UINT> received;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_APP) {
    received.push_back(message);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class ResponsiveDelayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvalisDelayTest";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, L"CorvalisDelayTest", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    processPendingMessages();
    received.clear();
  }
  void TearDown() override {
    DestroyWindow(window_);
    processPendingMessages();
  }

  // Runs `wait` while one message is already queued and another arrives from
  // another thread 10 ms in; returns the milliseconds it took.
  template <typename Wait>
  long long timeWithMessages(Wait wait) {
    PostMessageW(window_, WM_APP + 1, 0, 0);
    const HWND target = window_;
    std::thread poster([target] {
      Sleep(10);
      PostMessageW(target, WM_APP + 2, 0, 0);
    });
    const Clock::time_point start = Clock::now();
    wait();
    const long long elapsed = millisecondsSince(start);
    poster.join();
    return elapsed;
  }

  HWND window_ = nullptr;
};

TEST_F(ResponsiveDelayTest, WaitsTheAmountWhileDispatchingMessages) {
  const long long elapsed = timeWithMessages([] { EXPECT_TRUE(responsiveDelay(30, 0)); });
  EXPECT_GE(elapsed, 25);
  EXPECT_LT(elapsed, 2000);
  EXPECT_EQ(received, (std::vector<UINT>{WM_APP + 1, WM_APP + 2}));
}

TEST_F(ResponsiveDelayTest, FallbackWithoutTimerAlsoWaitsAndDispatches) {
  const long long elapsed = timeWithMessages([] { responsiveDelayWithoutTimer(30); });
  EXPECT_GE(elapsed, 25);
  EXPECT_LT(elapsed, 2000);
  EXPECT_EQ(received, (std::vector<UINT>{WM_APP + 1, WM_APP + 2}));
}

TEST_F(ResponsiveDelayTest, NothingToWaitReturnsWithoutDispatching) {
  PostMessageW(window_, WM_APP + 1, 0, 0);
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(responsiveDelay(0, 0));
  EXPECT_TRUE(responsiveDelay(-10, 1));
  EXPECT_LT(millisecondsSince(start), 2000);
  EXPECT_TRUE(received.empty());
  processPendingMessages();
  EXPECT_EQ(received, std::vector<UINT>{WM_APP + 1});
}

TEST_F(ResponsiveDelayTest, QuitRequestStaysQueuedForTheLoop) {
  PostMessageW(window_, WM_APP + 1, 0, 0);
  PostQuitMessage(3);
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(responsiveDelay(30, 0));
  const long long elapsed = millisecondsSince(start);
  EXPECT_GE(elapsed, 25);
  EXPECT_LT(elapsed, 2000);
  EXPECT_EQ(received, std::vector<UINT>{WM_APP + 1});
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 3u);
}

TEST(ResponsiveDelay, WaitsOnAThreadWithoutWindows) {
  long long elapsed = -1;
  std::thread worker([&elapsed] {
    const Clock::time_point start = Clock::now();
    responsiveDelay(2, 10);  // 2 units of 10 ms
    elapsed = millisecondsSince(start);
  });
  worker.join();
  EXPECT_GE(elapsed, 15);
  EXPECT_LT(elapsed, 2000);
}

}  // namespace
}  // namespace corvalis
