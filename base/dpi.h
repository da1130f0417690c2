// DPI, the one source and the one scaling rule for the program and the control library
// alike. Every size the program, its windows and the controls are designed with is a
// figure at 96 DPI; each is taken scaled to the DPI it is drawn at, so everything is
// drawn sharp (the program tells the system it scales itself) at 125 %, 150 %, 200 %.
#pragma once

#include <windows.h>

#include <cstdint>

namespace corvalis {

inline constexpr std::int32_t kDesignDpi = 96;

// value x dpi / 96, rounded to the nearest integer with halves away from zero, as
// MulDiv rounds. A DPI of 0 or less counts as 96.
constexpr std::int32_t scaleForDpi(std::int32_t value, std::int32_t dpi) {
  if (dpi <= 0) dpi = kDesignDpi;
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  const std::int64_t half = kDesignDpi / 2;
  return static_cast<std::int32_t>(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
}

// The DPI the bar draws at: the primary monitor's as last measured, 96 before.
std::int32_t screenDpi();
// Measures the primary monitor's DPI again (after a display, DPI or settings change):
// its effective DPI where the system names one per monitor (shcore's GetDpiForMonitor,
// Windows 8.1 and later), else the system's. The new value.
std::int32_t measureScreenDpi();
// Sets the DPI the bar draws at without measuring (tests).
void setScreenDpi(std::int32_t dpi);

// Where measureScreenDpi takes its figure from; null: the system. Tests answer for
// the system, whose DPI cannot change under a running program here.
using DpiSource = std::int32_t (*)();
void useDpiSource(DpiSource source);

// A 96-DPI figure at screenDpi().
inline std::int32_t dpiScaled(std::int32_t value) { return scaleForDpi(value, screenDpi()); }

// The DPI a window is drawn at now: what its top-level window was told with
// drawWindowAtDpi (the program decides it: the bar takes the primary monitor's DPI
// wherever it is parked, other windows their own monitor's), else the DPI the system
// gives the window, else the screen's. Read afresh every time, so that a change
// reaches whoever draws next, in the program and the control library alike.
std::int32_t windowDpi(HWND window);
void drawWindowAtDpi(HWND topLevelWindow, std::int32_t dpi);
// Before the window goes: what it was told is removed.
void forgetWindowDpi(HWND topLevelWindow);

// The window rectangle around a client rectangle, with the frame at `dpi` where the
// system draws frames per DPI (AdjustWindowRectExForDpi), else at the system's.
void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, std::int32_t dpi);

// Tells the system, before any window exists, that the program scales itself for
// every monitor (per-monitor v2 where the system has it, else system-wide), so it is
// never stretched as a bitmap. The manifest says the same; this covers a copy
// started without it.
void declareDpiAwareness();

}  // namespace corvalis
