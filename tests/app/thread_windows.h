// Finding the windows a thread shows: message boxes (#32770) and pop-up menus (#32768).
#pragma once

#include <windows.h>

#include <string>

namespace corvalis::test {

// The first visible top-level window of `className` that `thread` owns; null when none.
inline HWND visibleWindowOfThread(DWORD thread, const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    HWND found;
  } search{className, nullptr};
  // A plain function, not a lambda with captures: on 32-bit Windows it must be stdcall.
  struct Callback {
    static BOOL CALLBACK keepVisibleOfClass(HWND window, LPARAM parameter) {
      auto* s = reinterpret_cast<Search*>(parameter);
      wchar_t name[16] = {};
      GetClassNameW(window, name, 16);
      if (std::wstring(name) != s->className || !IsWindowVisible(window)) return TRUE;
      s->found = window;
      return FALSE;
    }
  };
  EnumThreadWindows(thread, Callback::keepVisibleOfClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace corvalis::test
