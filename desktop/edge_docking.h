// Edge docking: the shared state of the bar at the right screen edge, the edge
// trigger (a low-level mouse hook), the launcher window's shell-hook procedure and
// the full-screen notification. The slides themselves are in desktop/slide.h.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <string_view>

#include "desktop/monitors.h"

namespace corvalis {

class DesktopShell;

// One instance for the whole program, zero-filled at start. On 32-bit Windows these
// are nine 32-bit fields; the handle fields are pointer-sized so that the 64-bit
// test build holds them whole.
struct EdgeDockState {
  HWND windowHandle;            // the launcher window
  std::int32_t screenHeight;    // SM_CYSCREEN at installation
  std::int32_t screenWidth;     // SM_CXSCREEN at installation
  std::int32_t usableBottom;    // an edge click must lie above this line
  HHOOK mouseHook;              // the low-level mouse hook
  WNDPROC previousWindowProc;   // the launcher's procedure before the shell-hook procedure
  std::int32_t fullScreenActive;
  std::int32_t taskbarThickness;
  std::int32_t edgeTolerance;   // pixels from the right edge that still count as the edge
};

// Shared between threads in one way: the records' plain 32-bit fields through
// std::atomic_ref, whatever else is the module's own through std::atomic.

// The full-screen flag is written on the window's thread and read by the mouse hook
// on its own thread.
inline std::int32_t fullScreenActiveValue(const EdgeDockState& state) {
  return std::atomic_ref<const std::int32_t>(state.fullScreenActive).load(std::memory_order_relaxed);
}
inline void setFullScreenActive(EdgeDockState& state, std::int32_t value) {
  std::atomic_ref<std::int32_t>(state.fullScreenActive).store(value, std::memory_order_relaxed);
}

// The pending right-button press at the edge.
struct EdgeClick {
  std::int32_t x;
  std::int32_t y;
  std::int32_t pressed;
};

// 1 from the start of a slide-in until the start of the next slide-out. Written by
// the slides (one of which may run on a thread of its own), so it is read and
// written only through barShownValue / the slides.
struct BarShown {
  std::int32_t shown;
};

#if defined(__i386__)
static_assert(sizeof(EdgeDockState) == 36, "nine 32-bit fields on 32-bit Windows");
#endif
static_assert(sizeof(EdgeClick) == 12);
static_assert(sizeof(BarShown) == 4);

// The flag as this thread may rely on it while a slide on another thread writes it.
inline std::int32_t barShownValue(BarShown& barShown) {
  return std::atomic_ref<std::int32_t>(barShown.shown).load();
}

// How far from the right edge a press still counts as the edge.
inline constexpr std::int32_t kEdgeTolerance = 3;
// The shell-hook code of an activation: HSHELL_WINDOWACTIVATED with HSHELL_HIGHBIT.
inline constexpr WPARAM kShellActivated = 0x8004;
// "RegisterShellHookWindow > 失败" in GBK: shown when the shell will not tell the
// bar about activations.
inline constexpr std::string_view kShellHookFailureText = "RegisterShellHookWindow > \xCA\xA7\xB0\xDC";
// Where the shell hook is missing, the foreground window is watched at this period
// while the bar is shown; the timer's identifier on the launcher window.
inline constexpr UINT kForegroundWatchMilliseconds = 250;
inline constexpr UINT_PTR kForegroundWatchTimer = 0xC0E7;

// ----- Decisions ---------------------------------------------------------------------

// A press counts as the edge when it lies within `tolerance` pixels of the primary
// screen's right edge (on either side of it, so a monitor to the right shares the
// strip) and above `usableBottom`. The distance is compared in double precision.
constexpr bool isEdgePress(std::int32_t screenWidth, std::int32_t tolerance, std::int32_t usableBottom,
                           std::int32_t x, std::int32_t y) {
  const double distance = static_cast<double>(screenWidth) - static_cast<double>(x);
  const double magnitude = distance < 0 ? -distance : distance;
  return magnitude - static_cast<double>(tolerance) <= 0.0000001 && y < usableBottom;
}

// The edge the mouse hook tests is an EdgeZone (desktop/monitors.h). The window thread
// measures the screen again when the display changes and publishes a new zone; the
// hook's thread takes the latest one whole, never the new width with the old tolerance.

// The zone the state alone describes: within the tolerance on either side of the right
// edge, anywhere above usableBottom (no monitor layout known).
constexpr EdgeZone edgeZoneOf(const EdgeDockState& state) {
  return EdgeZone{state.screenWidth - state.edgeTolerance, state.screenWidth + state.edgeTolerance + 1,
                  std::numeric_limits<std::int32_t>::min(), state.usableBottom};
}

// The taskbar's thickness from its rectangle and the size of display 0: the height
// of one that spans the display's width, else the width of one that spans its
// height, else 0 (it spans no full side, or the display could not be read).
constexpr std::int32_t taskbarThicknessFor(const RECT& taskbar, std::int32_t displayWidth,
                                           std::int32_t displayHeight) {
  if (taskbar.left == 0 && taskbar.right == displayWidth) return taskbar.bottom - taskbar.top;
  if (taskbar.top == 0 && taskbar.bottom == displayHeight) return taskbar.right - taskbar.left;
  return 0;
}

// The line an edge click must stay above; the thickness counts whichever side the
// taskbar is on.
constexpr std::int32_t usableBottomFor(std::int32_t screenHeight, std::int32_t taskbarThickness) {
  return screenHeight - taskbarThickness;
}

enum class EdgeHookAction {
  passOn,             // the notification goes on to the next hook and the windows
  swallow,            // nobody else sees it
  swallowAndSlideIn,  // swallowed, and the bar is to slide in
};

// What the edge hook does with one mouse notification. `cursor` is read only for a
// right-button press (the hook asks GetCursorPos for it then). An edge press is
// recorded in `click`; its release clears it and asks for a slide-in when the bar
// is hidden. While a full-screen application is in front everything passes on and a
// recorded press stays pending.
EdgeHookAction edgeHookStep(const EdgeZone& zone, bool fullScreen, EdgeClick& click, BarShown& barShown,
                            WPARAM message, POINT cursor);
// The same with the zone and the full-screen flag as the state holds them.
EdgeHookAction edgeHookStep(const EdgeDockState& state, EdgeClick& click, BarShown& barShown, WPARAM message,
                            POINT cursor);

// Whether an activation notification slides the bar out: only while it is shown,
// and only when the keyboard focus is in some window other than the bar itself (a
// child of the bar included).
constexpr bool slidesOutOnActivation(HWND focus, HWND launcherWindow, std::int32_t barShown) {
  return barShown == 1 && focus != launcherWindow;
}

// Whether a new foreground window, seen by the watch that stands in for the shell
// hook, counts as an activation. The shell reports only top-level windows that have
// no owner, so the watch does the same: a dialog or window owned by another (the
// program's own open-file dialog and edit window among them) is no activation.
constexpr bool foregroundChangeIsActivation(HWND ownerOfForeground) { return ownerOfForeground == nullptr; }

// ----- A drag of files calls the bar -----------------------------------------------------

// A drag held at the edge this long slides the bar in, as a right-click there does.
inline constexpr UINT kDragHoverMilliseconds = 400;
inline constexpr UINT_PTR kDragHoverTimer = 0xC0E8;

// The mouse hook's record of the left button: held, and whether the pointer was in the
// edge zone at the last move.
struct EdgeDrag {
  bool leftDown = false;
  bool atEdge = false;
};

// One mouse notification for the drag record (a few comparisons: the hook's share of
// the work). True when a move with the left button held has just come into the edge
// zone: the window is then told, and it times the hover. Nothing counts while a
// full-screen application is in front.
bool edgeDragStep(const EdgeZone& zone, bool fullScreen, EdgeDrag& drag, WPARAM message, POINT point);
bool edgeDragStep(const EdgeDockState& state, EdgeDrag& drag, WPARAM message, POINT point);

// What the system says of the drag when the hover time is up.
struct DragLook {
  bool leftButtonHeld = false;
  bool movingOrSizing = false;  // GUI_INMOVESIZE in the foreground thread
  bool hiddenCapture = false;   // a hidden window of the foreground thread holds the mouse
};

// Whether the held drag slides the bar in: the button still held, the pointer still
// at the edge, nothing full-screen, the bar hidden, and the drag one that carries
// files as far as the system lets one tell. An OLE drag (Explorer's, a browser's)
// holds the mouse in a hidden window of its source, the foreground thread; moving or
// sizing a window (snapping it to the right half) is GUI_INMOVESIZE, selecting text or
// dragging a scroll thumb holds it in the visible window, and a press on the desktop
// or a window that does not capture holds it nowhere.
constexpr bool dragHoverSlidesIn(const DragLook& look, bool atEdge, std::int32_t fullScreenActive,
                                 std::int32_t barShown) {
  return look.leftButtonHeld && atEdge && fullScreenActive == 0 && barShown == 0 && !look.movingOrSizing &&
         look.hiddenCapture;
}

// A drag that called the hidden bar and then goes elsewhere takes it away again: when
// it leaves the bar, or ends without a drop on it, the bar slides out. A bar that was
// in before the drag came stays. The drop target tells of the drag over the bar:
void dragLeftBar();
void dragDroppedOnBar();
// After the left button went up, a drop may still be on its way to the bar (the source
// delivers it after the release): the bar waits this long for it.
inline constexpr UINT kDragEndGraceMilliseconds = 1000;
inline constexpr UINT_PTR kDragEndTimer = 0xC0EA;

// Whether a message to the launcher window says the screen changed under the bar: its
// size or DPI (a laptop docked, the resolution changed) or the work area (the taskbar
// moved or resized).
constexpr bool displayChangeMessage(UINT message, WPARAM wParam) {
  constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED
  return message == WM_DISPLAYCHANGE || message == kDpiChanged ||
         (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA);
}

// ----- Installation ------------------------------------------------------------------

// What the bar's place depends on, measured from the system.
struct ScreenMeasure {
  std::int32_t width = 0;   // SM_CXSCREEN
  std::int32_t height = 0;  // SM_CYSCREEN
  std::int32_t taskbarThickness = 0;
  std::int32_t dpi = 96;    // the primary monitor's
};

// The records the edge docking works on: the program's process-wide objects.
struct EdgeDocking {
  EdgeDockState* state = nullptr;
  EdgeClick* click = nullptr;
  BarShown* barShown = nullptr;
  DesktopShell* shell = nullptr;  // registers the application bar; may be null
  // Tells the user that the shell-hook registration failed; the message box unless
  // a caller (a test) needs it silent.
  void (*reportShellHookFailure)() = nullptr;
  // After the screen was measured again (its size, DPI or work area changed, or the
  // shell restarted): the bar's owner lays it out and puts it back in its place.
  void (*displayChanged)() = nullptr;
  // Measures the screen; null: measureScreenNow (tests give their own figures).
  ScreenMeasure (*measureScreen)() = nullptr;
  // Lays the monitors out; null: measureMonitors. An empty layout is the primary alone.
  MonitorLayout (*layOutMonitors)() = nullptr;
  // The user calls the hidden bar (at the edge, or with a drag held there): run just
  // before it slides in. May be null.
  void (*barCalled)() = nullptr;
  // The keyboard's call (kHotkey) was pressed, outside full-screen mode: the bar's owner
  // slides it in with the focus, or out when it is in. Null: no hotkey is registered.
  void (*hotkeyPressed)() = nullptr;
};

// The keys that call the bar from the keyboard: Ctrl+Alt+Space, which Windows, the
// common Chinese input methods and chat programs leave free. Where another program
// holds it, the bar runs without it and says nothing.
inline constexpr UINT kHotkeyModifiers = MOD_CONTROL | MOD_ALT;
inline constexpr UINT kHotkeyKey = VK_SPACE;
inline constexpr int kHotkeyId = 0xC0EB;

// Shows kShellHookFailureText in the application layer's message box, OK button,
// default caption.
void showShellHookFailure();

// Start-up's installation, in this order: the shell-hook registration (its failure
// reported), the window handle, the mouse hook (set on a thread of its own that only
// answers it, so a busy window thread never keeps the system waiting on the hook;
// it passes everything on until the installation is complete), the shell-hook window procedure in
// front of the window's own, the screen size, the taskbar measurement, usableBottom,
// the full-screen flag and the tolerance (at the screen's DPI), and the application-bar registration,
// which puts its own procedure in front of both. The records stay bound to the
// hook and the window procedure until the next installation.
void installEdgeDocking(const EdgeDocking& docking, HWND launcherWindow);

// The launcher window's about-to-be-destroyed step: removes the mouse hook, if one
// is installed, and forgets its handle. The window procedure stays until the window
// has gone: its last messages still pass through it.
void removeEdgeDocking(EdgeDockState& state);

// The records of the last installation (all null before the first).
EdgeDocking installedEdgeDocking();

// Where the installed bar of `state` parks: beyond the primary's right edge, on no
// monitor (past one that adjoins it). For any other state: its screen width.
std::int32_t parkedLeftFor(const EdgeDockState& state);
// Whether a monitor adjoins the installed bar's primary on the right: slides then keep
// the bar to the primary, cut at its edge.
bool monitorBesideBar(const EdgeDockState& state);

// The full-screen notification handed to the application-bar registration: the
// edge is inert while `state` is 1.
void onFullScreenApp(std::int32_t state);

// The taskbar's thickness as the shell reports it now, against the primary monitor
// (display 0 where the monitors cannot be read).
std::int32_t measureTaskbarThickness();

// The screen as the system reports it now, its DPI measured again as well.
ScreenMeasure measureScreenNow();

// Measures the screen again into `state` (size, taskbar, usableBottom, the edge's
// width at the DPI) and tells the installation's displayChanged. The launcher window's
// procedure does this on a display change; exposed for tests.
void followDisplay(EdgeDockState& state);

// The low-level mouse hook procedure and the launcher window's shell-hook window
// procedure, as installed; exposed for measuring and testing them directly.
LRESULT CALLBACK edgeHookProcedure(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK shellHookWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The message the shell-hook registration delivers ("SHELLHOOK"), and the private
// message through which the edge hook hands a slide-in to the launcher window.
UINT shellHookMessage();
UINT edgeReleaseMessage();

// The thread that answers the mouse hook; 0 when the hook runs on the installer's
// thread (no thread could be started) or none is installed.
DWORD edgeHookThreadId();

// For the slides: while the bar is shown and the shell gives no activation
// notifications, the launcher window watches the foreground window instead, any change
// from `inFront` on. Starts the watch for the installed bar; does nothing for any other
// state.
void watchForegroundWhileShown(const EdgeDockState& state, HWND inFront);

}  // namespace corvalis
