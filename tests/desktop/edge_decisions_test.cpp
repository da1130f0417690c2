// The decisions of the edge docking, without windows: which press is an edge
// press, what the hook does with each notification, how thick the taskbar is,
// when an activation slides the bar out, and where the slides put the bar.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "desktop/edge_docking.h"
#include "desktop/slide.h"

namespace corvalis {
namespace {

TEST(EdgePress, ThreeColumnsEitherSideOfTheEdgeAboveTheTaskbarLine) {
  struct Case {
    std::int32_t x, y;
    bool edge;
  };
  // A 1920 x 1080 screen with a 40-pixel taskbar at the bottom.
  const std::vector<Case> cases = {
      {1919, 500, true},   // the last column
      {1918, 500, true},
      {1917, 500, true},   // width - 3
      {1916, 500, false},  // width - 4
      {960, 500, false},
      {0, 500, false},
      {1920, 500, true},   // on a monitor to the right: still within 3 pixels
      {1923, 500, true},
      {1924, 500, false},
      {1919, 0, true},
      {1919, 1039, true},  // the last row above the line
      {1919, 1040, false},  // on the line
      {1919, 1079, false},
      {1919, -20, true},   // a monitor above: only the bottom line counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("x " + std::to_string(c.x) + ", y " + std::to_string(c.y));
    EXPECT_EQ(isEdgePress(1920, kEdgeTolerance, 1040, c.x, c.y), c.edge);
  }
  // The tolerance is the state's, not a constant.
  EXPECT_TRUE(isEdgePress(1280, 0, 800, 1280, 10));
  EXPECT_FALSE(isEdgePress(1280, 0, 800, 1279, 10));
}

TEST(TaskbarThickness, FromTheRectangleAndTheDisplay) {
  struct Case {
    const char* what;
    RECT taskbar;
    std::int32_t displayWidth, displayHeight, thickness;
  };
  const std::vector<Case> cases = {
      {"bottom", {0, 1040, 1920, 1080}, 1920, 1080, 40},
      {"top", {0, 0, 1920, 30}, 1920, 1080, 30},
      {"left", {0, 0, 60, 1080}, 1920, 1080, 60},
      {"right", {1860, 0, 1920, 1080}, 1920, 1080, 60},
      {"shorter than the display", {100, 1040, 900, 1080}, 1920, 1080, 0},
      {"wider than the display", {0, 1040, 2560, 1080}, 1920, 1080, 0},
      {"display unreadable", {0, 1040, 1920, 1080}, 0, 0, 0},
      {"no taskbar", {0, 0, 0, 0}, 1920, 1080, 0},
      {"Wine's one-pixel answer", {0, 799, 1280, 800}, 1280, 800, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(taskbarThicknessFor(c.taskbar, c.displayWidth, c.displayHeight), c.thickness);
  }
  EXPECT_EQ(usableBottomFor(1080, taskbarThicknessFor({0, 1040, 1920, 1080}, 1920, 1080)), 1040);
  // A left taskbar still shortens the live strip at the bottom.
  EXPECT_EQ(usableBottomFor(1080, taskbarThicknessFor({0, 0, 60, 1080}, 1920, 1080)), 1020);
}

class EdgeHook : public ::testing::Test {
 protected:
  EdgeHook() {
    state_.screenWidth = 1920;
    state_.screenHeight = 1080;
    state_.usableBottom = 1040;
    state_.edgeTolerance = kEdgeTolerance;
  }
  EdgeHookAction step(WPARAM message, POINT cursor = {0, 0}) {
    return edgeHookStep(state_, click_, shown_, message, cursor);
  }
  EdgeDockState state_{};
  EdgeClick click_{};
  BarShown shown_{};
};

TEST_F(EdgeHook, EdgePressAndReleaseAreSwallowedAndTheReleaseSlidesIn) {
  EXPECT_EQ(step(WM_MOUSEMOVE, {1919, 300}), EdgeHookAction::passOn);
  EXPECT_EQ(step(WM_RBUTTONDOWN, {1918, 300}), EdgeHookAction::swallow);
  EXPECT_EQ(click_.x, 1918);
  EXPECT_EQ(click_.y, 300);
  EXPECT_EQ(click_.pressed, 1);
  EXPECT_EQ(step(WM_MOUSEMOVE, {1918, 301}), EdgeHookAction::passOn);
  EXPECT_EQ(step(WM_RBUTTONUP, {1918, 301}), EdgeHookAction::swallowAndSlideIn);
  EXPECT_EQ(click_.pressed, 0);
  // The next release belongs to nobody.
  EXPECT_EQ(step(WM_RBUTTONUP), EdgeHookAction::passOn);
}

TEST_F(EdgeHook, AReleaseWhileTheBarIsShownIsSwallowedOnly) {
  shown_.shown = 1;
  EXPECT_EQ(step(WM_RBUTTONDOWN, {1919, 10}), EdgeHookAction::swallow);
  EXPECT_EQ(step(WM_RBUTTONUP), EdgeHookAction::swallow);
  EXPECT_EQ(click_.pressed, 0);
}

TEST_F(EdgeHook, PressesAwayFromTheEdgePassOn) {
  EXPECT_EQ(step(WM_RBUTTONDOWN, {1916, 300}), EdgeHookAction::passOn);
  EXPECT_EQ(click_.pressed, 0);
  EXPECT_EQ(step(WM_RBUTTONUP, {1916, 300}), EdgeHookAction::passOn);
  EXPECT_EQ(step(WM_RBUTTONDOWN, {1919, 1040}), EdgeHookAction::passOn);  // on the taskbar line
  EXPECT_EQ(step(WM_RBUTTONUP, {1919, 1040}), EdgeHookAction::passOn);
  // Other buttons at the edge are none of the bar's business.
  EXPECT_EQ(step(WM_LBUTTONDOWN, {1919, 300}), EdgeHookAction::passOn);
  EXPECT_EQ(step(WM_LBUTTONUP, {1919, 300}), EdgeHookAction::passOn);
  EXPECT_EQ(click_.pressed, 0);
}

TEST_F(EdgeHook, FullScreenPassesEverythingOnAndKeepsAPendingPress) {
  state_.fullScreenActive = 1;
  EXPECT_EQ(step(WM_RBUTTONDOWN, {1919, 300}), EdgeHookAction::passOn);
  EXPECT_EQ(click_.pressed, 0);
  EXPECT_EQ(step(WM_RBUTTONUP, {1919, 300}), EdgeHookAction::passOn);

  state_.fullScreenActive = 0;
  EXPECT_EQ(step(WM_RBUTTONDOWN, {1919, 300}), EdgeHookAction::swallow);
  state_.fullScreenActive = 1;
  EXPECT_EQ(step(WM_RBUTTONUP, {1919, 300}), EdgeHookAction::passOn);
  EXPECT_EQ(click_.pressed, 1);  // still pending
  state_.fullScreenActive = 0;
  EXPECT_EQ(step(WM_RBUTTONUP, {1919, 300}), EdgeHookAction::swallowAndSlideIn);
}

TEST(Activation, SlidesOutOnlyAShownBarWithTheFocusElsewhere) {
  const HWND bar = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x100));
  const HWND other = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x200));
  EXPECT_TRUE(slidesOutOnActivation(other, bar, 1));
  EXPECT_TRUE(slidesOutOnActivation(nullptr, bar, 1));
  EXPECT_FALSE(slidesOutOnActivation(bar, bar, 1));
  EXPECT_FALSE(slidesOutOnActivation(other, bar, 0));
  EXPECT_FALSE(slidesOutOnActivation(bar, bar, 0));
}

TEST(SlidePositions, ThreeStepsOfAThirdThenTheEnd) {
  struct Case {
    std::int32_t screenWidth, width;
    std::array<std::int32_t, 4> in, out;
  };
  const std::vector<Case> cases = {
      {1920, 104, {1886, 1852, 1818, 1816}, {1850, 1884, 1918, 1920}},
      {1280, 104, {1246, 1212, 1178, 1176}, {1210, 1244, 1278, 1280}},
      // A width that does not divide by three: the last step closes the gap.
      {1280, 100, {1247, 1214, 1181, 1180}, {1213, 1246, 1279, 1280}},
      {800, 2, {800, 800, 800, 798}, {798, 798, 798, 800}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.screenWidth) + " / " + std::to_string(c.width));
    EXPECT_EQ(slideInPositions(c.screenWidth, c.width), c.in);
    EXPECT_EQ(slideOutPositions(c.screenWidth, c.width), c.out);
  }
  EXPECT_EQ(slideStep(104), 34);
  // The slide-out counts from the width read at each step.
  EXPECT_EQ(slideOutStepLeft(1920, 110, slideStep(104), 1), 1844);
}

TEST(ShellHookFailure, TheMessageReadsTheSameInUnicode) {
  const std::string_view text = kShellHookFailureText;
  wchar_t wide[64] = {};
  const int length =
      MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide, 63);
  ASSERT_GT(length, 0);
  EXPECT_EQ(std::wstring(wide, static_cast<std::size_t>(length)), std::wstring(L"RegisterShellHookWindow > 失败"));
}

TEST(EdgeDrag, TheHookTellsOnceWhenAHeldDragReachesTheEdge) {
  EdgeDockState state{};
  state.screenWidth = 1280;
  state.screenHeight = 800;
  state.usableBottom = 770;
  state.edgeTolerance = 3;
  EdgeDrag drag;
  EXPECT_FALSE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1279, 300})) << "no button held";
  EXPECT_FALSE(edgeDragStep(state, drag, WM_LBUTTONDOWN, POINT{600, 300}));
  EXPECT_FALSE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{900, 300}));
  EXPECT_TRUE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1278, 300})) << "arrived in the edge zone";
  EXPECT_FALSE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1279, 310})) << "still there: told once";
  EXPECT_FALSE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1200, 310})) << "left the zone";
  EXPECT_TRUE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1279, 310})) << "back again";
  EXPECT_FALSE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1279, 790})) << "below the taskbar line";
  EXPECT_FALSE(edgeDragStep(state, drag, WM_LBUTTONUP, POINT{1279, 300}));
  EXPECT_FALSE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1279, 300})) << "released";

  setFullScreenActive(state, 1);
  edgeDragStep(state, drag, WM_LBUTTONDOWN, POINT{600, 300});
  EXPECT_FALSE(edgeDragStep(state, drag, WM_MOUSEMOVE, POINT{1279, 300})) << "a full-screen application is in front";
}

TEST(EdgeDrag, OnlyADragThatCanCarryFilesCallsTheBar) {
  const DragLook oleDrag{true, false, true};
  EXPECT_TRUE(dragHoverSlidesIn(oleDrag, true, 0, 0));
  EXPECT_FALSE(dragHoverSlidesIn(oleDrag, false, 0, 0)) << "the pointer left the edge";
  EXPECT_FALSE(dragHoverSlidesIn(oleDrag, true, 1, 0)) << "full screen";
  EXPECT_FALSE(dragHoverSlidesIn(oleDrag, true, 0, 1)) << "the bar is in already";
  EXPECT_FALSE(dragHoverSlidesIn(DragLook{false, false, true}, true, 0, 0)) << "the button was let go";
  EXPECT_FALSE(dragHoverSlidesIn(DragLook{true, true, true}, true, 0, 0)) << "a window being moved to snap";
  EXPECT_FALSE(dragHoverSlidesIn(DragLook{true, false, false}, true, 0, 0))
      << "selecting text or a press that nothing captures";
}

}  // namespace
}  // namespace corvalis

namespace corvalis {
namespace {

// Layouts of monitors as the system reports them (virtual-screen pixels), the primary
// 1280 x 800 at the origin with a 40-pixel taskbar, and a 104 x 138 bar centred on it.
struct LayoutCase {
  const char* what;
  MonitorLayout layout;
  std::int32_t parked;     // where the bar parks: on no monitor
  bool rightEdgeOpen;      // the pointer goes on past the primary's right edge
};

std::vector<LayoutCase> layoutCases() {
  const Monitor primary{RECT{0, 0, 1280, 800}, true};
  return {
      {"one monitor", {primary}, 1280, false},
      {"a monitor to the right", {primary, {RECT{1280, 0, 2304, 768}, false}}, 2304, true},
      {"a smaller one to the right, lower down", {primary, {RECT{1280, 400, 1920, 880}, false}}, 1920, true},
      {"a 4K one at 200 % to the right", {primary, {RECT{1280, -400, 5120, 1760}, false}}, 5120, true},
      {"one to the right beside the bar's band only", {primary, {RECT{1280, 0, 1920, 200}, false}}, 1280, true},
      {"a monitor to the left", {primary, {RECT{-1920, 0, 0, 1080}, false}}, 1280, false},
      {"a monitor above", {primary, {RECT{0, -1080, 1920, 0}, false}}, 1280, false},
      {"a monitor above and to the right", {primary, {RECT{1280, -1080, 3200, 0}, false}}, 1280, false},
      {"two to the right", {primary, {RECT{1280, 0, 2304, 768}, false}, {RECT{2304, 0, 3328, 768}, false}}, 3328, true},
  };
}

TEST(MonitorLayouts, AParkedBarIsSeenOnNoMonitor) {
  for (const LayoutCase& c : layoutCases()) {
    SCOPED_TRACE(c.what);
    const std::int32_t left = parkedLeft(c.layout, 1280, 104, 331, 469);
    EXPECT_EQ(left, c.parked);
    for (const Monitor& monitor : c.layout) {
      RECT overlap{};
      const RECT bar{left, 331, left + 104, 469};
      EXPECT_FALSE(IntersectRect(&overlap, &bar, &monitor.area)) << "the parked bar stands on a monitor";
    }
  }
}

TEST(MonitorLayouts, TheEdgeGoesOnIntoAMonitorThatAdjoinsOnTheRight) {
  for (const LayoutCase& c : layoutCases()) {
    SCOPED_TRACE(c.what);
    const EdgeZone zone = edgeZoneFor(c.layout, 3, 760);
    // The primary's last three columns, at its heights above the taskbar line.
    EXPECT_TRUE(isEdgePress(zone, POINT{1277, 300}));
    EXPECT_TRUE(isEdgePress(zone, POINT{1279, 0}));
    EXPECT_TRUE(isEdgePress(zone, POINT{1279, 759}));
    EXPECT_FALSE(isEdgePress(zone, POINT{1276, 300}));
    EXPECT_FALSE(isEdgePress(zone, POINT{1279, 760})) << "on the taskbar line";
    EXPECT_FALSE(isEdgePress(zone, POINT{1279, -1})) << "above the primary";
    // The first three columns of a monitor beside it, where there is one.
    EXPECT_EQ(isEdgePress(zone, POINT{1280, 300}), c.rightEdgeOpen);
    EXPECT_EQ(isEdgePress(zone, POINT{1282, 300}), c.rightEdgeOpen);
    EXPECT_FALSE(isEdgePress(zone, POINT{1283, 300}));
  }
  // A primary that is not at the origin still names the edge.
  const MonitorLayout moved = {{RECT{-1024, 0, 0, 768}, false}, {RECT{0, 0, 1920, 1080}, true}};
  EXPECT_TRUE(isEdgePress(edgeZoneFor(moved, 5, 1040), POINT{1915, 10}));
  EXPECT_FALSE(isEdgePress(edgeZoneFor(moved, 5, 1040), POINT{1914, 10}));
}

}  // namespace
}  // namespace corvalis
