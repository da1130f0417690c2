#include "desktop/focus.h"

namespace corvalis {

HWND focusedWindowOfForeground() {
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return nullptr;
  const DWORD ownThread = GetCurrentThreadId();
  const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
  if (foregroundThread == 0) return nullptr;
  if (!focusQueryAttachesInput(foregroundThread, ownThread)) return GetFocus();

  if (AttachThreadInput(foregroundThread, ownThread, TRUE)) {
    const HWND focus = GetFocus();
    AttachThreadInput(foregroundThread, ownThread, FALSE);
    return focus;
  }
  // Without the attachment GetFocus would answer for this thread, not the
  // foreground one; ask the system about that thread instead.
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(foregroundThread, &info)) return info.hwndFocus;
  return nullptr;
}

}  // namespace corvalis
