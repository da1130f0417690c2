// edge_hook_bench.exe: what the edge trigger costs.
//
//   1. The edge hook procedure on mouse notifications that are not an edge click,
//      called directly in a loop, next to a bare procedure that only calls
//      CallNextHookEx, in the same run: ns per notification and the ratio.
//   2. The time from the swallowed release of an edge click to the bar lying flush
//      with the right edge, on a real window driven through its message queue (the
//      slide's own floor is three waits of 30 ms). Once with the hook procedure
//      called directly, once through real input (SendInput) where the system hands
//      injected input to low-level hooks.
//
// Build a Release configuration and run it under Wine:
//   wine build/<dir>/bin/edge_hook_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "desktop/edge_docking.h"
#include "desktop/slide.h"

namespace {

using corvalis::BarShown;
using corvalis::EdgeClick;
using corvalis::EdgeDockState;

double nowMicroseconds() {
  static const double ticksPerMicrosecond = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e6;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / ticksPerMicrosecond;
}

LRESULT CALLBACK bareProcedure(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The mix a hook sees when nobody clicks at the edge: mostly moves, some clicks and
// wheel turns elsewhere.
struct Notification {
  WPARAM message;
  MSLLHOOKSTRUCT record;
};

std::vector<Notification> ordinaryTraffic(std::int32_t screenWidth) {
  std::vector<Notification> traffic;
  for (int i = 0; i < 1024; ++i) {
    Notification n{};
    n.record.pt = {(i * 37) % (screenWidth - 10), (i * 53) % 700};
    n.record.time = static_cast<DWORD>(i);
    switch (i % 64) {
      case 10: n.message = WM_LBUTTONDOWN; break;
      case 11: n.message = WM_LBUTTONUP; break;
      case 30: n.message = WM_MOUSEWHEEL; break;
      default: n.message = WM_MOUSEMOVE; break;
    }
    traffic.push_back(n);
  }
  return traffic;
}

// ns per notification over `rounds` passes through the traffic.
double timeProcedure(HOOKPROC called, std::vector<Notification>& traffic, int rounds) {
  // Called through a volatile pointer so that neither procedure is inlined into the loop.
  HOOKPROC volatile procedure = called;
  volatile LRESULT sink = 0;
  const double start = nowMicroseconds();
  for (int round = 0; round < rounds; ++round)
    for (Notification& n : traffic)
      sink = sink + procedure(HC_ACTION, n.message, reinterpret_cast<LPARAM>(&n.record));
  const double elapsed = nowMicroseconds() - start;
  return elapsed * 1000.0 / (static_cast<double>(rounds) * static_cast<double>(traffic.size()));
}

// Right presses away from the edge: the only ordinary notification that reads the cursor.
double timeRightPressesElsewhere(HOOKPROC called, int count) {
  HOOKPROC volatile procedure = called;
  MSLLHOOKSTRUCT record{};
  volatile LRESULT sink = 0;
  const double start = nowMicroseconds();
  for (int i = 0; i < count; ++i) sink = sink + procedure(HC_ACTION, WM_RBUTTONDOWN, reinterpret_cast<LPARAM>(&record));
  return (nowMicroseconds() - start) * 1000.0 / count;
}

// The decision alone, without passing the notification on.
double timeDecision(const EdgeDockState& state, EdgeClick& click, BarShown& shown, std::vector<Notification>& traffic,
                    int rounds) {
  volatile int sink = 0;
  const double start = nowMicroseconds();
  for (int round = 0; round < rounds; ++round)
    for (Notification& n : traffic)
      sink = sink + static_cast<int>(corvalis::edgeHookStep(state, click, shown, n.message, n.record.pt));
  const double elapsed = nowMicroseconds() - start;
  return elapsed * 1000.0 / (static_cast<double>(rounds) * static_cast<double>(traffic.size()));
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The bar window: notes when it lands flush with the edge.
std::int32_t flushLeft = 0;
double flushAt = 0;

LRESULT CALLBACK barProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
    if ((position->flags & SWP_NOMOVE) == 0 && position->x == flushLeft && flushAt == 0) flushAt = nowMicroseconds();
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void pumpUntilFlush(double deadline) {
  while (flushAt == 0 && nowMicroseconds() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void silent() {}

void report(const char* what, std::vector<double> milliseconds) {
  if (milliseconds.empty()) {
    std::printf("%s: no sample (the hook never saw the release)\n", what);
    return;
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("%s: median %.1f ms, min %.1f ms, max %.1f ms over %zu releases (floor 3 x 30 = 90 ms)\n", what,
              milliseconds[milliseconds.size() / 2], milliseconds.front(), milliseconds.back(), milliseconds.size());
}

}  // namespace

int main() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = barProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"CorvalisBenchBar";
  RegisterClassExW(&windowClass);
  const std::int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
  HWND bar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"CorvalisBenchBar", L"", WS_POPUP | WS_VISIBLE,
                             screenWidth, 200, 104, 195, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  EdgeDockState state{};
  EdgeClick click{};
  BarShown shown{};
  corvalis::installEdgeDocking({&state, &click, &shown, nullptr, silent}, bar);
  flushLeft = state.screenWidth - 104;
  std::printf("screen %d x %d, usableBottom %d, hook %s\n", state.screenWidth, state.screenHeight,
              state.usableBottom, state.mouseHook != nullptr ? "installed" : "MISSING");

  // 1. Cost per ordinary notification, the two procedures taking turns.
  std::vector<Notification> traffic = ordinaryTraffic(state.screenWidth);
  // Passing a notification on may cost a round trip to the window server (it does
  // under Wine), so the number of passes is sized to about 0.3 s per measurement.
  const double onePass = timeProcedure(bareProcedure, traffic, 1) * static_cast<double>(traffic.size());
  const int rounds = std::clamp(static_cast<int>(300e6 / std::max(onePass, 1.0)), 1, 2000);
  std::vector<double> edgeNs;
  std::vector<double> bareNs;
  for (int turn = 0; turn < 7; ++turn) {
    bareNs.push_back(timeProcedure(bareProcedure, traffic, rounds));
    edgeNs.push_back(timeProcedure(corvalis::edgeHookProcedure, traffic, rounds));
  }
  const double edge = median(edgeNs);
  const double bare = median(bareNs);
  std::printf("ordinary notifications (moves, clicks and wheel away from the edge), median of 7 x %d:\n",
              rounds * static_cast<int>(traffic.size()));
  std::printf("  edge hook %.1f ns, bare CallNextHookEx %.1f ns, ratio %.2f\n", edge, bare, edge / bare);
  std::vector<double> decisionNs;
  for (int turn = 0; turn < 7; ++turn) decisionNs.push_back(timeDecision(state, click, shown, traffic, 2000));
  std::printf("  of which the edge decision alone: %.2f ns\n", median(decisionNs));
  SetCursorPos(state.screenWidth / 2, 100);
  const int presses = rounds * static_cast<int>(traffic.size()) / 4;
  const double edgePress = timeRightPressesElsewhere(corvalis::edgeHookProcedure, presses);
  const double barePress = timeRightPressesElsewhere(bareProcedure, presses);
  std::printf("right presses away from the edge (GetCursorPos): edge hook %.1f ns, bare %.1f ns, ratio %.2f\n",
              edgePress, barePress, edgePress / barePress);

  // 2. From the swallowed release to the bar flush with the edge.
  SetCursorPos(state.screenWidth - 1, 100);
  std::vector<double> direct;
  for (int i = 0; i < 15; ++i) {
    corvalis::parkBar(state, shown);
    flushAt = 0;
    MSLLHOOKSTRUCT record{};
    corvalis::edgeHookProcedure(HC_ACTION, WM_RBUTTONDOWN, reinterpret_cast<LPARAM>(&record));
    const double released = nowMicroseconds();
    if (corvalis::edgeHookProcedure(HC_ACTION, WM_RBUTTONUP, reinterpret_cast<LPARAM>(&record)) != 1) break;
    pumpUntilFlush(released + 2e6);
    if (flushAt != 0) direct.push_back((flushAt - released) / 1000.0);
  }
  report("release to flush, hook procedure called directly", direct);

  std::vector<double> injected;
  for (int i = 0; i < 15; ++i) {
    corvalis::parkBar(state, shown);
    SetCursorPos(state.screenWidth - 1, 100);
    flushAt = 0;
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(1, &inputs[0], sizeof(INPUT));
    const double released = nowMicroseconds();
    SendInput(1, &inputs[1], sizeof(INPUT));
    pumpUntilFlush(released + 2e6);
    if (flushAt == 0) break;
    injected.push_back((flushAt - released) / 1000.0);
  }
  report("release to flush, real input through SendInput", injected);

  corvalis::removeEdgeDocking(state);
  DestroyWindow(bar);
  return 0;
}
