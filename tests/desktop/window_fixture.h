// Real windows for the edge-docking tests: a bar-shaped window that records every
// position it is moved to, and waits that keep the thread's messages flowing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace corvalis::testing {

// A WS_POPUP window of the bar's size whose procedure records the left edge of
// every move (WM_WINDOWPOSCHANGED) and answers slide steps sent from other threads.
class RecordingBar {
 public:
  RecordingBar(std::int32_t left, std::int32_t top, std::int32_t width = 104, std::int32_t height = 195);
  ~RecordingBar();
  RecordingBar(const RecordingBar&) = delete;
  RecordingBar& operator=(const RecordingBar&) = delete;

  HWND handle() const { return window_; }
  RECT rect() const;
  std::int32_t left() const { return rect().left; }
  // The left edges of the moves since the last clear, in order.
  const std::vector<std::int32_t>& moves() const;
  void clearMoves();
  // Messages at or above WM_USER that reached the window's own procedure.
  const std::vector<UINT>& userMessages() const;
  // Runs on the window's thread whenever WM_APP reaches the window's own procedure.
  void onApp(std::function<void()> action);

 private:
  HWND window_ = nullptr;
};

// Pumps this thread's messages until `done` answers true or `timeoutMs` passed;
// the result is `done`'s last answer.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Pumps for `milliseconds` (used to give something the chance to go wrong).
void pumpFor(DWORD milliseconds);
// Waits for `thread` to end while dispatching this thread's messages.
bool waitPumping(HANDLE thread, DWORD timeoutMs);

// A plain visible top-level window of this thread (owned by `owner` when given),
// brought to the foreground with the keyboard focus. DestroyWindow it when done.
HWND makeForegroundWindow(const wchar_t* title, HWND owner = nullptr);

}  // namespace corvalis::testing
