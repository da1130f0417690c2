#include "desktop/edge_docking.h"

#include "base/dpi.h"

#include <shellapi.h>

#include <atomic>
#include <memory>
#include <vector>

#include "base/message_box.h"
#include "base/win_handles.h"
#include "desktop/desktop_shell.h"
#include "desktop/display_size.h"
#include "desktop/focus.h"
#include "desktop/slide.h"

namespace corvalis {

namespace {

// What the bar stands on.
struct Screen {
  ScreenMeasure measure;
  MonitorLayout monitors;  // never empty: a layout the system could not give is the primary alone
};

// What the hook and the window procedure need besides the three records. A
// low-level hook procedure has no context of its own, so the installation is one
// per program, as the bar is.
struct Installation {
  EdgeDocking docking;
  // The hook lives on a thread of its own, which does nothing but answer it: a hook
  // on the window's thread would go unanswered while that thread is busy (a slow
  // launch, a large icon), and the system silently removes a hook that keeps it
  // waiting. Without that thread the hook is set on the caller's thread instead.
  UniqueKernelHandle hookThread;
  DWORD hookThreadId = 0;
  HHOOK threadHook = nullptr;  // set and removed by the hook thread
  UniqueHook hook;             // the caller's-thread fallback
  // The hook may be called as soon as it is set: it passes everything on until
  // the installation has measured the screen.
  std::atomic<bool> ready{false};
  // The edge the hook tests, as last measured. Every zone published stays until the
  // next installation: the hook's thread may still be reading an older one.
  std::atomic<const EdgeZone*> zone{nullptr};
  std::vector<std::unique_ptr<const EdgeZone>> zones;
  // The screen as last measured (the window thread's).
  Screen screen;
  UINT shellHookMessage = 0;
  UINT taskbarCreatedMessage = 0;
  UINT edgeReleaseMessage = 0;
  bool shellHookRegistered = false;
  // A shell-hook message has arrived although the registration failed: the shell
  // does notify, and the foreground watch is not needed.
  bool shellMessageSeen = false;
  HWND lastForeground = nullptr;
  // A left-button drag at the edge: the hook's record (its thread only) and the message
  // with which it tells the window, which times the hover.
  EdgeDrag drag;
  UINT dragAtEdgeMessage = 0;
  // The bar is in because a drag called it: set on the window thread, read by the hook.
  std::atomic<bool> calledByDrag{false};
  UINT dragEndedMessage = 0;
};

Installation installation;

UINT registeredMessage(const wchar_t* name) { return RegisterWindowMessageW(name); }

bool isRegisteredMessage(UINT message, UINT registered) { return registered != 0 && message == registered; }

bool onWindowThread(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

// An activation, reported by the shell or seen by the foreground watch: the bar
// slides out on a thread of its own when the focus is elsewhere.
void onActivation() {
  const EdgeDocking& docking = installation.docking;
  if (!slidesOutOnActivation(focusedWindowOfForeground(), docking.state->windowHandle,
                             barShownValue(*docking.barShown)))
    return;
  startSlideOutThread(*docking.state, *docking.barShown);  // not waited for
}

void stopForegroundWatch(HWND window) { KillTimer(window, kForegroundWatchTimer); }

// What the system tells of the left-button drag going on now: the foreground thread
// moving or sizing a window, and which of its windows holds the mouse.
DragLook lookAtDrag() {
  DragLook look;
  look.leftButtonHeld = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(0, &info)) {
    look.movingOrSizing = (info.flags & GUI_INMOVESIZE) != 0;
    look.hiddenCapture = info.hwndCapture != nullptr && !IsWindowVisible(info.hwndCapture);
  }
  return look;
}

void onDragHover(EdgeDockState& state) {
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return;
  const bool atEdge = isEdgePress(*installation.zone.load(), cursor);
  if (!dragHoverSlidesIn(lookAtDrag(), atEdge, fullScreenActiveValue(state),
                         barShownValue(*installation.docking.barShown)))
    return;
  if (installation.docking.barCalled != nullptr) installation.docking.barCalled();
  installation.calledByDrag.store(true);
  slideIn(state, *installation.docking.barShown);
}

// The drag that called the bar has gone elsewhere: the bar goes back out.
void sendBarBackAfterDrag() {
  KillTimer(installation.docking.state->windowHandle, kDragEndTimer);
  if (!installation.calledByDrag.exchange(false)) return;
  if (barShownValue(*installation.docking.barShown) == 1)
    slideOut(*installation.docking.state, *installation.docking.barShown);
}

void onForegroundWatchTick(HWND window) {
  if (barShownValue(*installation.docking.barShown) == 0 || installation.shellMessageSeen) {
    stopForegroundWatch(window);
    return;
  }
  const HWND foreground = GetForegroundWindow();
  if (foreground == installation.lastForeground) return;
  if (foregroundChangeIsActivation(foreground != nullptr ? GetWindow(foreground, GW_OWNER) : nullptr) &&
      focusedWindowOfForeground() == installation.docking.state->windowHandle) {
    // The new foreground's thread has not taken the activation yet, and the focus is
    // still the bar's: looked at again on the next tick rather than lost.
    return;
  }
  installation.lastForeground = foreground;
  if (!foregroundChangeIsActivation(foreground != nullptr ? GetWindow(foreground, GW_OWNER) : nullptr)) return;
  onActivation();
}

struct HookThreadStart {
  HANDLE ready;
  HHOOK hook = nullptr;
};

DWORD WINAPI hookThreadMain(void* parameter) {
  auto* start = static_cast<HookThreadStart*>(parameter);
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists before any WM_QUIT
  // The module that holds the procedure: a global low-level hook without one is
  // refused by some versions of Windows.
  const HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, edgeHookProcedure, GetModuleHandleA(nullptr), 0);
  start->hook = hook;
  SetEvent(start->ready);  // `start` belongs to the installer from here on
  if (hook == nullptr) return 1;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  UnhookWindowsHookEx(hook);
  return 0;
}

// Sets the hook on a thread of its own; null when that thread cannot run.
HHOOK startHookThread() {
  HookThreadStart start{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UniqueKernelHandle ready(start.ready);
  if (!ready) return nullptr;
  DWORD threadId = 0;
  UniqueKernelHandle thread(CreateThread(nullptr, 0, hookThreadMain, &start, 0, &threadId));
  if (!thread) return nullptr;
  HANDLE waits[] = {ready.get(), thread.get()};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  if (WaitForSingleObject(ready.get(), 0) != WAIT_OBJECT_0 || start.hook == nullptr) {
    WaitForSingleObject(thread.get(), INFINITE);
    return nullptr;
  }
  installation.hookThread = std::move(thread);
  installation.hookThreadId = threadId;
  installation.threadHook = start.hook;
  return start.hook;
}

// Ends the hook thread, which removes its hook on the way out.
void stopHookThread() {
  if (!installation.hookThread) return;
  PostThreadMessageW(installation.hookThreadId, WM_QUIT, 0, 0);
  WaitForSingleObject(installation.hookThread.get(), 5000);
  installation.hookThread.reset();
  installation.hookThreadId = 0;
  installation.threadHook = nullptr;
}

void publishZone(const EdgeZone& edge) {
  auto zone = std::make_unique<const EdgeZone>(edge);
  installation.zone.store(zone.get(), std::memory_order_release);
  installation.zones.push_back(std::move(zone));
}

}  // namespace

EdgeHookAction edgeHookStep(const EdgeDockState& state, EdgeClick& click, BarShown& barShown, WPARAM message,
                            POINT cursor) {
  return edgeHookStep(edgeZoneOf(state), fullScreenActiveValue(state) != 0, click, barShown, message, cursor);
}

EdgeHookAction edgeHookStep(const EdgeZone& zone, bool fullScreen, EdgeClick& click, BarShown& barShown,
                            WPARAM message, POINT cursor) {
  if (fullScreen) return EdgeHookAction::passOn;
  if (message == WM_RBUTTONDOWN && isEdgePress(zone, cursor)) {
    click = EdgeClick{cursor.x, cursor.y, 1};
    return EdgeHookAction::swallow;
  }
  if (click.pressed != 0 && message == WM_RBUTTONUP) {
    click.pressed = 0;
    return barShownValue(barShown) == 0 ? EdgeHookAction::swallowAndSlideIn : EdgeHookAction::swallow;
  }
  return EdgeHookAction::passOn;
}

bool edgeDragStep(const EdgeDockState& state, EdgeDrag& drag, WPARAM message, POINT point) {
  return edgeDragStep(edgeZoneOf(state), fullScreenActiveValue(state) != 0, drag, message, point);
}

bool edgeDragStep(const EdgeZone& zone, bool fullScreen, EdgeDrag& drag, WPARAM message, POINT point) {
  switch (message) {
    case WM_LBUTTONDOWN:
      drag.leftDown = true;
      return false;
    case WM_LBUTTONUP:
      drag = EdgeDrag{};
      return false;
    case WM_MOUSEMOVE: {
      if (!drag.leftDown) return false;
      const bool atEdge = !fullScreen && isEdgePress(zone, point);
      const bool arrived = atEdge && !drag.atEdge;
      drag.atEdge = atEdge;
      return arrived;
    }
    default:
      return false;
  }
}

void showShellHookFailure() { messageBox(kShellHookFailureText, MB_OK); }

LRESULT CALLBACK edgeHookProcedure(int code, WPARAM wParam, LPARAM lParam) {
  const EdgeDocking& docking = installation.docking;
  EdgeDockState* state = docking.state;
  // A negative code must go straight on, untouched.
  if (code == HC_ACTION && state != nullptr && installation.ready.load(std::memory_order_acquire)) {
    const EdgeZone& zone = *installation.zone.load(std::memory_order_acquire);
    const bool fullScreen = fullScreenActiveValue(*state) != 0;
    POINT cursor{};
    // The position the system has for the cursor, not the event record's.
    if (wParam == WM_RBUTTONDOWN && !fullScreen) GetCursorPos(&cursor);
    if (edgeDragStep(zone, fullScreen, installation.drag, wParam, reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam)->pt))
      PostMessageW(state->windowHandle, installation.dragAtEdgeMessage, 0, 0);
    if (wParam == WM_LBUTTONUP && installation.calledByDrag.load())
      PostMessageW(state->windowHandle, installation.dragEndedMessage, 0, 0);
    switch (edgeHookStep(zone, fullScreen, *docking.click, *docking.barShown, wParam, cursor)) {
      case EdgeHookAction::swallowAndSlideIn:
        // The system removes a low-level hook that keeps it waiting, so the hook
        // only decides; the launcher window runs the slide from its own queue.
        PostMessageW(state->windowHandle, installation.edgeReleaseMessage, 0, 0);
        return 1;
      case EdgeHookAction::swallow:
        return 1;
      case EdgeHookAction::passOn:
        break;
    }
  }
  return CallNextHookEx(state != nullptr ? state->mouseHook : nullptr, code, wParam, lParam);
}

LRESULT CALLBACK shellHookWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Installation& in = installation;
  EdgeDockState* state = in.docking.state;
  if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);

  LRESULT result = 0;
  if (handleSlideMessage(window, message, wParam, lParam, result)) return result;
  if (isRegisteredMessage(message, in.edgeReleaseMessage)) {
    // Another release may have been posted while a slide-in ran.
    if (barShownValue(*in.docking.barShown) == 0) {
      if (in.docking.barCalled != nullptr) in.docking.barCalled();
      slideIn(*state, *in.docking.barShown);
    }
    return 0;
  }
  if (message == WM_HOTKEY && wParam == static_cast<WPARAM>(kHotkeyId)) {
    // While a full-screen application is in front the keys do nothing, as the edge.
    if (fullScreenActiveValue(*state) == 0 && in.docking.hotkeyPressed != nullptr) in.docking.hotkeyPressed();
    return 0;
  }
  if (isRegisteredMessage(message, in.dragEndedMessage)) {
    // The drag ended; unless a drop on the bar comes in the meantime, the bar goes.
    SetTimer(window, kDragEndTimer, kDragEndGraceMilliseconds, nullptr);
    return 0;
  }
  if (message == WM_TIMER && wParam == kDragEndTimer) {
    sendBarBackAfterDrag();
    return 0;
  }
  if (message == WM_TIMER && wParam == kForegroundWatchTimer) {
    onForegroundWatchTick(window);
    return 0;
  }
  if (isRegisteredMessage(message, in.dragAtEdgeMessage)) {
    // Held there for a moment, the drag calls the bar; the hook only said it arrived.
    SetTimer(window, kDragHoverTimer, kDragHoverMilliseconds, nullptr);
    return 0;
  }
  if (message == WM_TIMER && wParam == kDragHoverTimer) {
    KillTimer(window, kDragHoverTimer);
    onDragHover(*state);
    return 0;
  }
  if (isRegisteredMessage(message, in.shellHookMessage)) {
    in.shellMessageSeen = true;
    if (wParam == kShellActivated) onActivation();
  } else if (isRegisteredMessage(message, in.taskbarCreatedMessage)) {
    // Explorer has restarted and forgotten its application bars; its taskbar may
    // stand elsewhere now.
    if (in.docking.shell != nullptr) in.docking.shell->registerAppBar(window, onFullScreenApp);
    followDisplay(*state);
  } else if (displayChangeMessage(message, wParam)) {
    followDisplay(*state);
  }
  if (state->previousWindowProc == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return CallWindowProcW(state->previousWindowProc, window, message, wParam, lParam);
}

// The screen as the installation measures it: the test's figures where it gives some.
static Screen screenNow() {
  const EdgeDocking& docking = installation.docking;
  Screen screen{docking.measureScreen != nullptr ? docking.measureScreen() : measureScreenNow(),
                docking.layOutMonitors != nullptr ? docking.layOutMonitors() : measureMonitors()};
  if (screen.monitors.empty())
    screen.monitors.push_back(Monitor{RECT{0, 0, screen.measure.width, screen.measure.height}, true});
  return screen;
}

static bool sameScreen(const Screen& a, const Screen& b) {
  if (a.measure.width != b.measure.width || a.measure.height != b.measure.height ||
      a.measure.taskbarThickness != b.measure.taskbarThickness || a.measure.dpi != b.measure.dpi ||
      a.monitors.size() != b.monitors.size())
    return false;
  for (std::size_t i = 0; i < a.monitors.size(); ++i)
    if (!EqualRect(&a.monitors[i].area, &b.monitors[i].area) || a.monitors[i].primary != b.monitors[i].primary)
      return false;
  return true;
}

static void takeMeasure(EdgeDockState& state, Screen screen) {
  const ScreenMeasure& measured = screen.measure;
  state.screenHeight = measured.height;
  state.screenWidth = measured.width;
  state.taskbarThickness = measured.taskbarThickness;
  state.usableBottom = usableBottomFor(measured.height, measured.taskbarThickness);
  state.edgeTolerance = scaleForDpi(kEdgeTolerance, measured.dpi);
  installation.screen = std::move(screen);
  // The mouse hook's thread reads the edge only through the zone, published whole.
  publishZone(edgeZoneFor(installation.screen.monitors, state.edgeTolerance, state.usableBottom));
}

void followDisplay(EdgeDockState& state) {
  // Told of many a setting: only a change of what the bar stands on moves it.
  Screen screen = screenNow();
  if (sameScreen(screen, installation.screen)) return;
  takeMeasure(state, std::move(screen));
  if (installation.docking.displayChanged != nullptr) installation.docking.displayChanged();
}

ScreenMeasure measureScreenNow() {
  return ScreenMeasure{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), measureTaskbarThickness(),
                       measureScreenDpi()};
}

std::int32_t measureTaskbarThickness() {
  APPBARDATA data{};
  data.cbSize = sizeof data;
  SHAppBarMessage(ABM_GETTASKBARPOS, &data);
  // The primary monitor's size: a taskbar on another monitor spans none of its sides.
  const RECT primary = primaryArea(measureMonitors());
  if (primary.right > primary.left)
    return taskbarThicknessFor(data.rc, primary.right - primary.left, primary.bottom - primary.top);
  const DisplaySize display = displayDeviceSize();
  return taskbarThicknessFor(data.rc, display.width, display.height);
}

void installEdgeDocking(const EdgeDocking& docking, HWND launcherWindow) {
  if (docking.state == nullptr || docking.click == nullptr || docking.barShown == nullptr) return;
  EdgeDockState& state = *docking.state;

  // The hook and the window procedure find everything here from their first call on.
  installation.ready.store(false, std::memory_order_release);
  stopHookThread();
  installation.hook.reset();
  // No hook runs now: the zones of the last installation can go.
  installation.zone.store(nullptr, std::memory_order_release);
  installation.zones.clear();
  installation.docking = docking;
  installation.shellHookMessage = registeredMessage(L"SHELLHOOK");
  installation.taskbarCreatedMessage = registeredMessage(L"TaskbarCreated");
  installation.edgeReleaseMessage = registeredMessage(L"corvalisbar edge release");
  installation.dragAtEdgeMessage = registeredMessage(L"corvalisbar drag at edge");
  installation.dragEndedMessage = registeredMessage(L"corvalisbar drag ended");
  installation.calledByDrag.store(false);
  installation.drag = EdgeDrag{};
  installation.shellMessageSeen = false;
  installation.lastForeground = nullptr;

  installation.shellHookRegistered = RegisterShellHookWindow(launcherWindow) != FALSE;
  if (!installation.shellHookRegistered) {
    if (docking.reportShellHookFailure != nullptr) {
      docking.reportShellHookFailure();
    } else {
      showShellHookFailure();
    }
  }

  state.windowHandle = launcherWindow;
  state.mouseHook = startHookThread();
  if (state.mouseHook == nullptr) {
    installation.hook.reset(SetWindowsHookExA(WH_MOUSE_LL, edgeHookProcedure, GetModuleHandleA(nullptr), 0));
    state.mouseHook = installation.hook.get();
  }
  state.previousWindowProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(launcherWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(shellHookWindowProcedure)));
  takeMeasure(state, screenNow());
  setFullScreenActive(state, 0);
  if (docking.shell != nullptr) docking.shell->registerAppBar(launcherWindow, onFullScreenApp);
  // MOD_NOREPEAT: a held key calls once (Windows 7 and later; older ones ignore it).
  if (docking.hotkeyPressed != nullptr) RegisterHotKey(launcherWindow, kHotkeyId, kHotkeyModifiers | MOD_NOREPEAT, kHotkeyKey);
  installation.ready.store(true, std::memory_order_release);
}

void removeEdgeDocking(EdgeDockState& state) {
  if (state.windowHandle != nullptr) UnregisterHotKey(state.windowHandle, kHotkeyId);
  if (state.mouseHook == nullptr) return;
  if (installation.threadHook == state.mouseHook) {
    installation.ready.store(false, std::memory_order_release);
    stopHookThread();
  } else if (installation.hook.get() == state.mouseHook) {
    installation.hook.reset();
  } else {
    // A hook this installation does not own (set by hand): closed all the same.
    UniqueHook foreign(state.mouseHook);
  }
  state.mouseHook = nullptr;
}

EdgeDocking installedEdgeDocking() { return installation.docking; }

std::int32_t parkedLeftFor(const EdgeDockState& state) {
  RECT bar{};
  if (installation.docking.state != &state || state.windowHandle == nullptr || !GetWindowRect(state.windowHandle, &bar))
    return state.screenWidth;
  return parkedLeft(installation.screen.monitors, state.screenWidth, bar.right - bar.left, bar.top, bar.bottom);
}

bool monitorBesideBar(const EdgeDockState& state) {
  RECT bar{};
  if (installation.docking.state != &state || state.windowHandle == nullptr || !GetWindowRect(state.windowHandle, &bar))
    return false;
  return monitorRightOfPrimary(installation.screen.monitors, bar.top, bar.bottom);
}

void dragLeftBar() {
  if (installation.docking.state != nullptr) sendBarBackAfterDrag();
}

void dragDroppedOnBar() {
  installation.calledByDrag.store(false);
  if (installation.docking.state != nullptr) KillTimer(installation.docking.state->windowHandle, kDragEndTimer);
}

void onFullScreenApp(std::int32_t state) {
  if (installation.docking.state != nullptr) setFullScreenActive(*installation.docking.state, state == 1 ? 1 : 0);
}

UINT shellHookMessage() { return installation.shellHookMessage; }
DWORD edgeHookThreadId() { return installation.hookThreadId; }
UINT edgeReleaseMessage() { return installation.edgeReleaseMessage; }

void watchForegroundWhileShown(const EdgeDockState& state, HWND inFront) {
  if (installation.docking.state != &state || installation.shellHookRegistered || installation.shellMessageSeen)
    return;
  // SetTimer works only for a window of the calling thread.
  if (state.windowHandle == nullptr || !onWindowThread(state.windowHandle)) return;
  installation.lastForeground = inFront;
  SetTimer(state.windowHandle, kForegroundWatchTimer, kForegroundWatchMilliseconds, nullptr);
}

}  // namespace corvalis
