#include "window_fixture.h"

#include <chrono>
#include <map>

#include "base/message_pump.h"
#include "desktop/slide.h"

namespace corvalis::testing {

namespace {

struct Record {
  std::vector<std::int32_t> moves;
  std::vector<UINT> userMessages;
  std::function<void()> onApp;
};

std::map<HWND, Record>& records() {
  static std::map<HWND, Record> all;
  return all;
}

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (handleSlideMessage(window, message, wParam, lParam, result)) return result;
  auto found = records().find(window);
  if (found != records().end()) {
    if (message == WM_WINDOWPOSCHANGED) {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if ((position->flags & SWP_NOMOVE) == 0) found->second.moves.push_back(position->x);
    } else if (message >= WM_USER) {
      found->second.userMessages.push_back(message);
      if (message == WM_APP && found->second.onApp) found->second.onApp();
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t kClassName[] = L"CorvalisEdgeTestBar";

void registerClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

}  // namespace

RecordingBar::RecordingBar(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  registerClass();
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP | WS_VISIBLE, left, top, width, height,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  records()[window_];
  processPendingMessages();
  clearMoves();
}

RecordingBar::~RecordingBar() {
  if (window_ != nullptr) DestroyWindow(window_);
  records().erase(window_);
}

RECT RecordingBar::rect() const {
  RECT rect{};
  GetWindowRect(window_, &rect);
  return rect;
}

const std::vector<std::int32_t>& RecordingBar::moves() const { return records()[window_].moves; }
void RecordingBar::clearMoves() { records()[window_].moves.clear(); }
const std::vector<UINT>& RecordingBar::userMessages() const { return records()[window_].userMessages; }
void RecordingBar::onApp(std::function<void()> action) { records()[window_].onApp = std::move(action); }

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    processPendingMessages();
    if (done()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return done();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 10 ? left : 10), QS_ALLINPUT);
  }
}

void pumpFor(DWORD milliseconds) {
  pumpUntil([] { return false; }, milliseconds);
}

bool waitPumping(HANDLE thread, DWORD timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    const DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    processPendingMessages();
  }
}

HWND makeForegroundWindow(const wchar_t* title, HWND owner) {
  HWND window = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 200, 120, owner,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(window);
  SetFocus(window);
  processPendingMessages();
  return window;
}

}  // namespace corvalis::testing
