#include "base/dpi.h"

#include <windows.h>

#include <atomic>

namespace corvalis {

namespace {

// Read by the mouse hook's thread (the edge's width) as well as the window thread.
std::atomic<std::int32_t> currentDpi{kDesignDpi};

using GetDpiForSystemFunction = UINT(WINAPI*)();
using SetDpiContextFunction = BOOL(WINAPI*)(HANDLE);

FARPROC user32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
}

std::int32_t screenDcDpi() {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kDesignDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace

std::int32_t screenDpi() { return currentDpi.load(std::memory_order_relaxed); }

std::int32_t measureScreenDpi() {
  std::int32_t dpi = 0;
  // Windows 10 and later name the primary screen's DPI directly; older systems give it
  // as the screen DC's pixels per logical inch.
  if (const auto getDpiForSystem = reinterpret_cast<GetDpiForSystemFunction>(
          reinterpret_cast<void*>(user32Function("GetDpiForSystem"))))
    dpi = static_cast<std::int32_t>(getDpiForSystem());
  if (dpi <= 0) dpi = screenDcDpi();
  if (dpi <= 0 || dpi > 4 * 480) dpi = kDesignDpi;  // nonsense from a broken driver
  currentDpi.store(dpi, std::memory_order_relaxed);
  return dpi;
}

std::int32_t windowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow =
      reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(user32Function("GetDpiForWindow")));
  const HWND top = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
  if (getDpiForWindow != nullptr && top != nullptr) {
    const auto dpi = static_cast<std::int32_t>(getDpiForWindow(top));
    if (dpi > 0) return dpi;
  }
  const std::int32_t dpi = screenDcDpi();
  return dpi > 0 ? dpi : kDesignDpi;
}

void setScreenDpi(std::int32_t dpi) { currentDpi.store(dpi > 0 ? dpi : kDesignDpi, std::memory_order_relaxed); }

void declareDpiAwareness() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 is the handle value -4.
  const HANDLE perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (const auto setContext = reinterpret_cast<SetDpiContextFunction>(
          reinterpret_cast<void*>(user32Function("SetProcessDpiAwarenessContext")))) {
    // Fails when the manifest has set it already, which is as good.
    if (setContext(perMonitorV2) || GetLastError() == ERROR_ACCESS_DENIED) return;
  }
  SetProcessDPIAware();
}

}  // namespace corvalis
