// Which window has the keyboard focus in the thread that owns the foreground window.
#pragma once

#include <windows.h>

namespace corvalis {

// True when reading that focus needs the calling thread to join the foreground
// thread's input state: only for a foreground window of another thread.
constexpr bool focusQueryAttachesInput(DWORD foregroundThread, DWORD ownThread) {
  return foregroundThread != 0 && foregroundThread != ownThread;
}

// The focus window of the foreground window's thread; null when there is no
// foreground window or no focus.
HWND focusedWindowOfForeground();

}  // namespace corvalis
