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
