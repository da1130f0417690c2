// The program's windows: the hidden owner window, and the windows loaded from
// templates, which the program counts to know when it is done.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>

#include "base/win_handles.h"
#include "app/window_template.h"

namespace corvalis {

// The never-shown tool window that owns every program window, so that none of them
// gets a taskbar button. Created once; false when it cannot be made.
bool createHiddenOwnerWindow();
HWND hiddenOwnerWindow();
void destroyHiddenOwnerWindow();

// What the program does with the notices the system sends every top-level window,
// hidden ones included: the hidden owner window, which lives for the whole run, takes
// each of them once for the program.
struct SystemNotices {
  // The session ends (sign-out, shutdown): what is unsaved is saved before the answer,
  // after which the system may end the process at any moment. No window may be shown.
  std::function<void()> sessionEnding;
  // The user's or the system's environment variables changed.
  std::function<void()> environmentChanged;
};
void answerSystemNotices(SystemNotices notices);

// Load window: creates the window from its template (hidden, its client area the
// template's size, centred on the primary screen, owned by the hidden owner window,
// topmost when the template says so) and the controls of the template inside it,
// fires its created event, then shows it if the template is visible and the window
// still exists. False when the window could not be created or a window of that
// identity is already loaded.
//
// While a window whose template says so has the keyboard focus in one of its
// controls, Esc closes the window unless that control wants the key itself.
//
// `context` is what the window's handlers work on: its record keeps it for them, as a
// window class keeps its `this` (windowContext, ControlEvent::context).
bool loadWindow(const WindowTemplate& windowTemplate, void* context = nullptr);

// What a loaded window was loaded with; null when no such window is loaded. By a
// window's handle, a control inside it counts as the window.
void* windowContext(std::int32_t identity);
void* windowContext(HWND window);

// Close window: marks it closing and posts it the private close request; it is
// destroyed from the message loop, its about-to-be-destroyed event firing on the
// way. False when the window is not loaded or already closing.
bool closeWindow(std::int32_t identity);

// Window handle: null when no window of that identity is loaded.
HWND windowHandle(std::int32_t identity);

// Loaded windows that have not been destroyed yet.
std::size_t loadedWindowCount();

// From now on (or, with false, no longer), the destruction of the last loaded window
// posts WM_QUIT with exit code 0.
void quitWhenLastWindowCloses(bool on = true);

// Work for a program window's own thread, handed over from another thread: posted to
// `window` and run from its message handling. False, with the job dropped unrun, when
// the post fails (the window is gone). Jobs still queued when the window is destroyed
// are dropped unrun as well.
using WindowJob = std::function<void()>;
bool postWindowJob(HWND window, WindowJob job);

// The private close request's message number.
UINT privateCloseMessage();

// A new pop-up menu with the items of the loaded window's menu that stand under the
// item `menuIdentity` (for the pop-up menu service, which destroys it after use); a
// chosen item runs its handler through the window. Empty when the window is not
// loaded or the item has nothing under it.
UniqueMenu windowMenu(std::int32_t identity, std::int32_t menuIdentity);

}  // namespace corvalis
