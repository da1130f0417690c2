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

// The primary monitor's effective DPI, where shcore names one per monitor; 0 otherwise.
// Loaded when first needed, so that the program still starts where shcore is missing.
std::int32_t primaryMonitorDpi() {
  using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto getDpiForMonitor = [] {
    const HMODULE shcore = LoadLibraryW(L"shcore.dll");  // kept for the process's life
    return shcore != nullptr
               ? reinterpret_cast<GetDpiForMonitorFunction>(
                     reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
               : nullptr;
  }();
  if (getDpiForMonitor == nullptr) return 0;
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  UINT x = 0, y = 0;
  if (primary == nullptr || FAILED(getDpiForMonitor(primary, kEffectiveDpi, &x, &y))) return 0;
  return static_cast<std::int32_t>(y);
}

// The DPI the system gives the process as a whole: fixed when the process started, on
// Windows (a per-monitor-aware program reads the monitor's instead where it can).
std::int32_t systemDpi() {
  if (const auto getDpiForSystem = reinterpret_cast<GetDpiForSystemFunction>(
          reinterpret_cast<void*>(user32Function("GetDpiForSystem")))) {
    const auto dpi = static_cast<std::int32_t>(getDpiForSystem());
    if (dpi > 0) return dpi;
  }
  return screenDcDpi();
}

constexpr std::int32_t sane(std::int32_t dpi) { return dpi > 0 && dpi <= 4 * 480 ? dpi : kDesignDpi; }

std::atomic<DpiSource> dpiSource{nullptr};

constexpr wchar_t kDpiProperty[] = L"corvalisbar dpi";

}  // namespace

std::int32_t screenDpi() { return currentDpi.load(std::memory_order_relaxed); }

std::int32_t measureScreenDpi() {
  std::int32_t dpi = 0;
  if (const DpiSource source = dpiSource.load()) {
    dpi = source();
  } else {
    dpi = primaryMonitorDpi();
    if (dpi <= 0) dpi = systemDpi();
  }
  dpi = sane(dpi);  // nonsense from a broken driver draws at 96
  currentDpi.store(dpi, std::memory_order_relaxed);
  return dpi;
}

void useDpiSource(DpiSource source) { dpiSource.store(source); }

std::int32_t windowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow =
      reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(user32Function("GetDpiForWindow")));
  const HWND top = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
  if (top != nullptr) {
    const auto told = static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(GetPropW(top, kDpiProperty)));
    if (told > 0) return told;
    if (getDpiForWindow != nullptr) {
      const auto dpi = static_cast<std::int32_t>(getDpiForWindow(top));
      if (dpi > 0) return dpi;
    }
  }
  return sane(screenDcDpi());
}

void drawWindowAtDpi(HWND topLevelWindow, std::int32_t dpi) {
  if (topLevelWindow != nullptr)
    SetPropW(topLevelWindow, kDpiProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(sane(dpi))));
}

void forgetWindowDpi(HWND topLevelWindow) {
  if (topLevelWindow != nullptr) RemovePropW(topLevelWindow, kDpiProperty);
}

void setScreenDpi(std::int32_t dpi) { currentDpi.store(dpi > 0 ? dpi : kDesignDpi, std::memory_order_relaxed); }

void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, std::int32_t dpi) {
  using AdjustForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi =
      reinterpret_cast<AdjustForDpiFunction>(reinterpret_cast<void*>(user32Function("AdjustWindowRectExForDpi")));
  if (adjustForDpi == nullptr || !adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(sane(dpi))))
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

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
