// The primary screen's DPI, and the program's pixel figures at it. Every size the
// program and its windows are designed with is a figure at 96 DPI; the windows, the
// bar's layout, the edge and the icons take it scaled to the screen's DPI, so the
// program is drawn sharp (it tells the system it scales itself) at 125 %, 150 %, 200 %.
#pragma once

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

// The DPI the program draws at: the primary screen's as last measured, 96 before.
std::int32_t screenDpi();
// Measures the primary screen's DPI again (after a display or DPI change); the new value.
std::int32_t measureScreenDpi();
// Sets the DPI the program draws at without measuring (tests).
void setScreenDpi(std::int32_t dpi);

// A 96-DPI figure at screenDpi().
inline std::int32_t dpiScaled(std::int32_t value) { return scaleForDpi(value, screenDpi()); }

// Tells the system, before any window exists, that the program scales itself for
// every monitor (per-monitor v2 where the system has it, else system-wide), so it is
// never stretched as a bitmap. The manifest says the same; this covers a copy
// started without it.
void declareDpiAwareness();

}  // namespace corvalis
