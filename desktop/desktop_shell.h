// The program's dealings with the Windows shell and taskbar behind one object: the
// taskbar-button list, the shell automation object, the application-bar
// registration through which full-screen notifications arrive, the taskbar window
// and its state, a thread-bound hotkey loop and the taskbar's size-and-move setting.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdint>

#include "base/com_ptr.h"

namespace corvalis {

// The application-bar callback message.
inline constexpr UINT kAppBarCallbackMessage = 0x2C16;
// The identifier under which runHotkeyLoop registers its hotkey.
inline constexpr int kHotkeyIdentifier = 1268;

// Window properties on a registered window: the notification routine, the window
// procedure the registration replaced, and the object that answers for the window.
inline constexpr char kAppBarRoutineProperty[] = "Callback AppBar";
inline constexpr char kAppBarPreviousProcProperty[] = "Callback Proc";
inline constexpr char kAppBarObjectProperty[] = "Callback Shell";

// Receives the lParam of ABN_FULLSCREENAPP: 1 when a full-screen application
// opens, 0 when it closes.
using AppBarNotification = void (*)(std::int32_t state);
using HotkeyRoutine = void (*)();

// ABM_GETSTATE answers: auto-hide is on unless the state is 0 or ABS_ALWAYSONTOP alone.
constexpr bool isAutoHideState(UINT_PTR state) { return state != 0 && state != ABS_ALWAYSONTOP; }

class DesktopShell {
 public:
  // Creates the two COM objects; COM must already be initialised on this thread.
  // A missing object leaves its pointer null and its operations answer false.
  DesktopShell();
  virtual ~DesktopShell();
  DesktopShell(const DesktopShell&) = delete;
  DesktopShell& operator=(const DesktopShell&) = delete;

  // ITaskbarList; false without the object or on any result other than S_OK.
  virtual bool addTab(HWND window);
  virtual bool deleteTab(HWND window);
  virtual bool activateTab(HWND window);
  virtual bool setActiveAlt(HWND window);

  // Blocks this thread: registers the hotkey (no window, so it belongs to this
  // thread's queue) and calls `routine` for every WM_HOTKEY until the queue is
  // quit, or until a message other than a hotkey arrives after stopHotkeyLoop.
  // Returns at once when the hotkey cannot be registered. Meant for a thread of its
  // own; the hotkey is not unregistered here.
  virtual void runHotkeyLoop(std::int32_t modifiers, std::int32_t virtualKey, HotkeyRoutine routine);
  // Unregisters the hotkey and asks the loop to end. A windowless hotkey belongs to
  // the thread that registered it, so this succeeds only on the loop's own thread
  // (typically from the routine).
  virtual bool stopHotkeyLoop();

  virtual HWND findTaskbarWindow();
  // ShowWindow's result on the taskbar window; FALSE when there is none.
  virtual BOOL hideTaskbar();
  virtual BOOL showTaskbar();
  // Display height minus the taskbar's top: its height when it sits at the bottom.
  virtual std::int32_t taskbarHeight();

  // Registers `window` as an application bar (reserving no space) so that the
  // shell's full-screen notification reaches `routine`, and puts appBarWindowProc
  // in front of the window's procedure. Nothing is reported.
  virtual void registerAppBar(HWND window, AppBarNotification routine);
  // The registered window's procedure: the full-screen notification goes to the
  // routine, then every message goes on to the procedure that was replaced.
  virtual LRESULT appBarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  virtual bool isTaskbarAutoHide();
  virtual bool setTaskbarAutoHide(bool on);
  // ABM_GETTASKBARPOS's result; the rectangle goes to `rect`.
  virtual std::int32_t getTaskbarRect(RECT& rect);
  // 0 left, 1 top, 2 right, 3 bottom.
  virtual std::int32_t taskbarEdge();

  // IShellDispatch5; false without the object or on any result other than S_OK.
  virtual bool minimizeAll();
  virtual bool undoMinimizeAll();
  virtual bool cascadeWindows();
  virtual bool tileHorizontally();
  virtual bool tileVertically();
  virtual bool toggleDesktop();
  virtual bool trayProperties();
  virtual bool windowSwitcher();

  // Writes HKCU\...\Explorer\Advanced "TaskbarSizeMove"; false when the key does
  // not open with full access or the value cannot be set.
  virtual bool setTaskbarSizeMove(bool allow);

  // For tests and diagnostics: whether each COM object was created.
  bool hasTaskbarList() const { return static_cast<bool>(taskbarList_); }
  bool hasShellDispatch() const { return static_cast<bool>(shellDispatch_); }

 private:
  ComPtr<ITaskbarList> taskbarList_;
  ComPtr<IShellDispatch5> shellDispatch_;
  // Written by stopHotkeyLoop and read by the loop; atomic so that a stop from
  // another thread is seen without a data race.
  std::atomic<std::int32_t> hotkeyStop_{0};
};

}  // namespace corvalis
