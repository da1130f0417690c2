// The bar's two slides: in from beyond the right screen edge, and out again. Each
// moves only the launcher window's left edge, in three steps of 30 ms and a last
// step that lands exactly on its end.
//
// Two slides may overlap (a slide-out started on its own thread by an activation,
// a slide-in started by an edge click meanwhile): every slide takes ownership of
// the bar when it starts, and only the owner's steps move the window. The last slide
// started therefore always runs to its end position, and BarShown ends as that
// slide set it. All moves happen on the window's own thread, where ownership is
// checked right before each move; a slide on another thread sends its steps there.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "base/win_handles.h"
#include "desktop/edge_docking.h"

namespace corvalis {

inline constexpr std::int32_t kSlideSteps = 3;
inline constexpr std::int32_t kSlideStepMilliseconds = 30;

// ----- Positions ---------------------------------------------------------------------

// A third of the bar's width, truncated.
constexpr std::int32_t slideStep(std::int32_t width) { return width / kSlideSteps; }

// Slide-in step i (1..3): i steps of the bar showing.
constexpr std::int32_t slideInStepLeft(std::int32_t screenWidth, std::int32_t step, std::int32_t i) {
  return screenWidth - step * i;
}
// The end of a slide-in: flush with the right edge, whatever the rounding of the steps.
constexpr std::int32_t slideInEndLeft(std::int32_t screenWidth, std::int32_t width) { return screenWidth - width; }

// Slide-out step i (1..3): i steps hidden, counted from the flush position of a bar
// `width` wide.
constexpr std::int32_t slideOutStepLeft(std::int32_t screenWidth, std::int32_t width, std::int32_t step,
                                        std::int32_t i) {
  return screenWidth - width + step * i;
}
// The end of a slide-out: wholly beyond the right edge.
constexpr std::int32_t slideOutEndLeft(std::int32_t screenWidth) { return screenWidth; }

// The left edges a slide passes through, in order, for a bar whose width does not
// change on the way: the three steps, then the end.
constexpr std::array<std::int32_t, 4> slideInPositions(std::int32_t screenWidth, std::int32_t width) {
  const std::int32_t step = slideStep(width);
  return {slideInStepLeft(screenWidth, step, 1), slideInStepLeft(screenWidth, step, 2),
          slideInStepLeft(screenWidth, step, 3), slideInEndLeft(screenWidth, width)};
}
constexpr std::array<std::int32_t, 4> slideOutPositions(std::int32_t screenWidth, std::int32_t width) {
  const std::int32_t step = slideStep(width);
  return {slideOutStepLeft(screenWidth, width, step, 1), slideOutStepLeft(screenWidth, width, step, 2),
          slideOutStepLeft(screenWidth, width, step, 3), slideOutEndLeft(screenWidth)};
}

// ----- The slides --------------------------------------------------------------------

// Slides the bar in, on the window's own thread: BarShown becomes 1, the window
// moves in three steps with a responsive delay after each (the steps land 30, 60 and
// 90 ms after the start, however late a timer wakes), ends flush with the
// right edge and is brought to the foreground. Gives up at once if a later slide
// takes the bar over.
void slideIn(EdgeDockState& state, BarShown& barShown);

// Slides the bar out on the calling thread (the window's own, after a launch):
// BarShown becomes 0 and the window ends wholly beyond the right edge.
void slideOut(EdgeDockState& state, BarShown& barShown);

// The slide-out that an activation notification starts: BarShown becomes 0 here
// and now, the steps run on a thread of their own. The thread is not waited for;
// its handle comes back for callers that want to (tests). Without a thread the
// slide runs here instead and the handle is empty.
UniqueKernelHandle startSlideOutThread(EdgeDockState& state, BarShown& barShown);

// Puts the bar beyond the right edge at once, BarShown 0: where the window build
// leaves it. Takes the bar over from any slide still running.
void parkBar(EdgeDockState& state, BarShown& barShown);

// Puts the bar where BarShown says, at once, after the screen changed under it: flush
// with the right edge when shown, just beyond it when not. Takes the bar over from any
// slide still running.
void placeBar(EdgeDockState& state, BarShown& barShown);

// The same on the installed bar (installEdgeDocking): for the launcher's handlers.
// Nothing happens before the installation.
void slideIn();
void slideOut();
void parkBar();
void placeBar();
// Whether the installed bar is in (BarShown); false before the installation.
bool isBarShown();

// The window procedure of a sliding window answers the slide steps sent from
// another thread through this: true when `message` was one (its result in `result`).
bool handleSlideMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Which slide owns the bar: changes each time a slide (or parkBar) starts. The low
// bit is the direction (1 in, 0 out).
std::uint32_t currentSlideOwner();

}  // namespace corvalis
