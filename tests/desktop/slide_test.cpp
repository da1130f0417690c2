// The slides on a real window: the positions it passes through, BarShown, and what
// happens when a slide-out on its own thread and a slide-in overlap.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "desktop/slide.h"
#include "window_fixture.h"

namespace corvalis {
namespace {

using testing::RecordingBar;
using testing::pumpFor;
using testing::pumpUntil;
using testing::waitPumping;

// The slides work on whatever screen width the state names, so the tests pick
// theirs; the window is simply moved off the real screen where it must.
class Slides : public ::testing::Test {
 protected:
  void SetUp() override { dock(1920); }
  void dock(std::int32_t screenWidth) {
    state_.windowHandle = bar_.handle();
    state_.screenWidth = screenWidth;
  }
  RecordingBar bar_{1920, 300};
  EdgeDockState state_{};
  BarShown shown_{};
};

TEST_F(Slides, InPassesThroughThreeStepsToFlush) {
  const RECT before = bar_.rect();
  slideIn(state_, shown_);
  EXPECT_EQ(bar_.moves(), (std::vector<std::int32_t>{1886, 1852, 1818, 1816}));
  EXPECT_EQ(barShownValue(shown_), 1);
  const RECT after = bar_.rect();
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, 104);
  EXPECT_EQ(after.bottom - after.top, 195);
}

TEST_F(Slides, OutPassesThroughThreeStepsBeyondTheEdge) {
  SetWindowPos(bar_.handle(), nullptr, 1816, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  bar_.clearMoves();
  shown_.shown = 1;
  slideOut(state_, shown_);
  EXPECT_EQ(bar_.moves(), (std::vector<std::int32_t>{1850, 1884, 1918, 1920}));
  EXPECT_EQ(barShownValue(shown_), 0);
  EXPECT_EQ(bar_.rect().top, 300);
}

TEST_F(Slides, TheSameOnASmallerScreen) {
  dock(1280);
  SetWindowPos(bar_.handle(), nullptr, 1280, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  bar_.clearMoves();
  slideIn(state_, shown_);
  slideOut(state_, shown_);
  EXPECT_EQ(bar_.moves(), (std::vector<std::int32_t>{1246, 1212, 1178, 1176, 1210, 1244, 1278, 1280}));
}

TEST_F(Slides, TheBarEndsFlushEvenWhenResizedOnTheWay) {
  // The window grows during the first step: the end follows the width read last.
  bar_.onApp([this] {
    SetWindowPos(bar_.handle(), nullptr, 0, 0, 120, 195, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
  PostMessageW(bar_.handle(), WM_APP, 0, 0);
  slideIn(state_, shown_);
  EXPECT_EQ(bar_.rect().left, 1920 - 120);
  EXPECT_EQ(bar_.rect().right, 1920);
}

TEST_F(Slides, OutOnItsOwnThreadSetsTheFlagAtOnceAndMovesTheWindowFromThere) {
  SetWindowPos(bar_.handle(), nullptr, 1816, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  bar_.clearMoves();
  shown_.shown = 1;
  UniqueKernelHandle thread = startSlideOutThread(state_, shown_);
  ASSERT_TRUE(thread);
  EXPECT_EQ(barShownValue(shown_), 0);  // before any step ran
  ASSERT_TRUE(waitPumping(thread.get(), 10000));
  EXPECT_EQ(bar_.moves(), (std::vector<std::int32_t>{1850, 1884, 1918, 1920}));
}

TEST_F(Slides, ParkingPutsTheBarBeyondTheEdgeAtOnce) {
  SetWindowPos(bar_.handle(), nullptr, 1816, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  bar_.clearMoves();
  shown_.shown = 1;
  parkBar(state_, shown_);
  EXPECT_EQ(bar_.moves(), (std::vector<std::int32_t>{1920}));
  EXPECT_EQ(barShownValue(shown_), 0);
}

TEST_F(Slides, EachSlideTakesTheBarOver) {
  const std::uint32_t before = currentSlideOwner();
  parkBar(state_, shown_);
  const std::uint32_t parked = currentSlideOwner();
  EXPECT_NE(parked, before);
  EXPECT_EQ(parked & 1, 0u);
  slideIn(state_, shown_);
  EXPECT_NE(currentSlideOwner(), parked);
  EXPECT_EQ(currentSlideOwner() & 1, 1u);
}

// A slide-in that starts while a slide-out is running on its thread: whatever the
// timing, the slide-in is the later one and the bar ends flush and shown.
TEST_F(Slides, ASlideInOvertakesARunningSlideOut) {
  for (std::size_t stepsFirst = 0; stepsFirst <= 3; ++stepsFirst) {
    SCOPED_TRACE("slide-out steps before the slide-in: " + std::to_string(stepsFirst));
    SetWindowPos(bar_.handle(), nullptr, 1816, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    shown_.shown = 1;
    bar_.clearMoves();
    UniqueKernelHandle thread = startSlideOutThread(state_, shown_);
    ASSERT_TRUE(thread);
    ASSERT_TRUE(pumpUntil([&] { return bar_.moves().size() >= stepsFirst; }, 5000));
    slideIn(state_, shown_);
    const std::size_t endOfSlideIn = bar_.moves().size();
    ASSERT_TRUE(waitPumping(thread.get(), 10000));
    pumpFor(50);
    EXPECT_EQ(bar_.rect().left, 1816);
    EXPECT_EQ(barShownValue(shown_), 1);
    // Nothing of the slide-out lands after the slide-in's end.
    EXPECT_EQ(bar_.moves().size(), endOfSlideIn);
    ASSERT_FALSE(bar_.moves().empty());
    EXPECT_EQ(bar_.moves().back(), 1816);
  }
}

// A slide-out started from the window's own messages while a slide-in waits
// between its steps: the slide-out is the later one and the bar ends hidden.
TEST_F(Slides, ASlideOutStartedDuringASlideInWins) {
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SetWindowPos(bar_.handle(), nullptr, 1920, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    shown_.shown = 0;
    UniqueKernelHandle thread;
    bar_.onApp([&] { thread = startSlideOutThread(state_, shown_); });
    PostMessageW(bar_.handle(), WM_APP, 0, 0);  // dispatched during the slide-in's first wait
    slideIn(state_, shown_);
    ASSERT_TRUE(thread);
    ASSERT_TRUE(waitPumping(thread.get(), 10000));
    pumpFor(50);
    EXPECT_EQ(bar_.rect().left, 1920);
    EXPECT_EQ(barShownValue(shown_), 0);
    bar_.onApp(nullptr);
  }
}

// Two threads sliding out and the window thread sliding in, started close
// together: the last one started decides, and the window ends exactly there.
TEST_F(Slides, ManyOverlappingSlidesEndWhereTheLastOneEnds) {
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SetWindowPos(bar_.handle(), nullptr, 1816, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UniqueKernelHandle first = startSlideOutThread(state_, shown_);
    pumpFor(static_cast<DWORD>(round * 7));
    UniqueKernelHandle second = startSlideOutThread(state_, shown_);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    const bool inLast = round % 2 == 0;
    if (inLast) slideIn(state_, shown_);
    ASSERT_TRUE(waitPumping(first.get(), 10000));
    ASSERT_TRUE(waitPumping(second.get(), 10000));
    pumpFor(50);
    EXPECT_EQ(bar_.rect().left, inLast ? 1816 : 1920);
    EXPECT_EQ(barShownValue(shown_), inLast ? 1 : 0);
  }
}

TEST_F(Slides, ASlideOfAWindowThatIsGoneStopsQuietly) {
  EdgeDockState gone{};
  gone.screenWidth = 1920;
  {
    RecordingBar shortLived(1816, 300);
    gone.windowHandle = shortLived.handle();
  }
  BarShown shown{1};
  UniqueKernelHandle thread = startSlideOutThread(gone, shown);
  ASSERT_TRUE(thread);
  EXPECT_TRUE(waitPumping(thread.get(), 5000));
  slideIn(gone, shown);  // returns without a window to move
  EXPECT_EQ(barShownValue(shown), 1);
}

}  // namespace
}  // namespace corvalis
