#include "desktop/slide.h"

#include <atomic>
#include <new>

#include "desktop/responsive_delay.h"
#include "desktop/thread_start.h"

namespace corvalis {

namespace {

enum class Direction : std::uint32_t { out = 0, in = 1 };

// The owner of the bar: a count of slides started, shifted left, with the latest
// slide's direction in the low bit. One word, so that taking the bar over and
// naming the direction is a single atomic step.
std::atomic<std::uint32_t> slideOwner{0};

std::uint32_t takeOver(Direction direction) {
  std::uint32_t owner = slideOwner.load();
  std::uint32_t next;
  do {
    next = (((owner >> 1) + 1) << 1) | static_cast<std::uint32_t>(direction);
  } while (!slideOwner.compare_exchange_weak(owner, next));
  return next;
}

bool owns(std::uint32_t owner) { return slideOwner.load() == owner; }

// Writes BarShown from the current owner's direction. A slide that was taken over
// between reading the owner and writing the flag sees the owner change and writes
// again, so the last write is always the latest slide's direction.
void publishBarShown(BarShown& barShown) {
  std::atomic_ref<std::int32_t> shown(barShown.shown);
  for (;;) {
    const std::uint32_t owner = slideOwner.load();
    shown.store(static_cast<std::int32_t>(owner & 1));
    if (slideOwner.load() == owner) return;
  }
}

UINT slideStepMessage() {
  static const UINT message = RegisterWindowMessageW(L"corvalisbar slide step");
  return message;
}

bool windowRect(HWND window, RECT& rect) { return GetWindowRect(window, &rect) != FALSE; }

// Where a monitor adjoins the primary on the right, the bar is cut at the primary's
// edge while it slides, so that only the primary ever shows it; 0: no cut. Set by the
// slide that owns the bar.
std::atomic<std::int32_t> cutAt{0};

// Moves the left edge only; top, size and z-order stay. Runs on the window's thread.
void moveLeftEdge(HWND window, std::int32_t left) {
  RECT rect{};
  if (!windowRect(window, rect)) return;
  SetWindowPos(window, nullptr, left, rect.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
  const std::int32_t edge = cutAt.load();
  const std::int32_t width = rect.right - rect.left;
  if (edge != 0 && left < edge && left + width > edge) {
    SetWindowRgn(window, CreateRectRgn(0, 0, edge - left, rect.bottom - rect.top), TRUE);  // the window owns it
    return;
  }
  const UniqueRegion current(CreateRectRgn(0, 0, 0, 0));
  if (current && GetWindowRgn(window, current.get()) != ERROR) SetWindowRgn(window, nullptr, TRUE);
}

// On the window's thread: the move happens only while `owner` still owns the bar.
// Checking and moving on one thread is what keeps an overtaken slide's late step
// from landing after the owner's last one.
bool moveIfOwner(HWND window, std::uint32_t owner, std::int32_t left) {
  if (!owns(owner)) return false;
  moveLeftEdge(window, left);
  return true;
}

struct SlideRun {
  HWND window;
  std::int32_t screenWidth;
  std::int32_t parkLeft;  // where the bar rests out of sight
  std::uint32_t owner;
};

// One step of a slide: false when the slide has been overtaken or the window is
// gone, and the slide is to stop.
bool stepTo(const SlideRun& run, std::int32_t left) {
  if (GetWindowThreadProcessId(run.window, nullptr) == GetCurrentThreadId())
    return moveIfOwner(run.window, run.owner, left);
  // Another thread: the window's own thread makes the move. Waiting is bounded
  // only for a hung window thread; a busy one is waited for.
  DWORD_PTR moved = 0;
  if (!SendMessageTimeoutW(run.window, slideStepMessage(), static_cast<WPARAM>(run.owner),
                           static_cast<LPARAM>(left), SMTO_NORMAL | SMTO_NOTIMEOUTIFNOTHUNG, 1000, &moved))
    return false;
  return moved != 0;
}

bool windowWidth(HWND window, std::int32_t& width) {
  RECT rect{};
  if (!windowRect(window, rect)) return false;
  width = rect.right - rect.left;
  return true;
}

// The pauses between steps are counted from the slide's start, so that a timer that
// wakes a few milliseconds late (as timers do) does not add its lateness up over the
// steps: step i lands 30 x i ms after the start, and the slide takes 90 ms, not more.
class StepClock {
 public:
  StepClock() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  void waitForStep(std::int32_t step) const {
    const std::int64_t due = static_cast<std::int64_t>(step) * kSlideStepMilliseconds;
    const std::int64_t remaining = due - elapsedMilliseconds();
    if (remaining > 0) responsiveDelay(static_cast<std::int32_t>(remaining), 0);
  }

 private:
  std::int64_t elapsedMilliseconds() const {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return frequency_.QuadPart > 0 ? (now.QuadPart - start_.QuadPart) * 1000 / frequency_.QuadPart : 0;
  }
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

// True when the slide ran to its end and the bar took the foreground.
bool runSlideIn(const SlideRun& run) {
  std::int32_t width = 0;
  if (!windowWidth(run.window, width)) return false;
  const std::int32_t step = slideStep(width);
  const StepClock clock;
  for (std::int32_t i = 1; i <= kSlideSteps; ++i) {
    if (!stepTo(run, slideInStepLeft(run.screenWidth, step, i))) return false;
    clock.waitForStep(i);
  }
  // The width is read again: the bar may have been resized while it slid.
  if (!windowWidth(run.window, width)) return false;
  if (!stepTo(run, slideInEndLeft(run.screenWidth, width))) return false;
  return owns(run.owner) && SetForegroundWindow(run.window) != FALSE;
}

void runSlideOut(const SlideRun& run) {
  std::int32_t width = 0;
  if (!windowWidth(run.window, width)) return;
  const std::int32_t step = slideStep(width);
  const StepClock clock;
  for (std::int32_t i = 1; i <= kSlideSteps; ++i) {
    if (!windowWidth(run.window, width)) return;
    if (!stepTo(run, slideOutStepLeft(run.screenWidth, width, step, i))) return;
    clock.waitForStep(i);
  }
  stepTo(run, run.parkLeft);
}

// The thread of an activation's slide-out. It owns its copy of the run and touches
// nothing else of the program's, so it stays harmless even when it outlives the
// process-wide objects at exit (its window is gone by then, and it stops).
DWORD WINAPI slideOutThread(void* parameter) {
  const SlideRun* run = static_cast<const SlideRun*>(parameter);
  runSlideOut(*run);
  delete run;
  return 0;
}

SlideRun takeOverFor(EdgeDockState& state, BarShown& barShown, Direction direction) {
  cutAt.store(monitorBesideBar(state) ? state.screenWidth : 0);
  const SlideRun run{state.windowHandle, state.screenWidth, parkedLeftFor(state), takeOver(direction)};
  publishBarShown(barShown);
  return run;
}

}  // namespace

void slideIn(EdgeDockState& state, BarShown& barShown) {
  const SlideRun run = takeOverFor(state, barShown, Direction::in);
  if (run.window == nullptr) return;
  const bool inFront = runSlideIn(run);
  // Watched from the foreground the slide leaves - the bar's own, as it took it: the
  // window that was in front before the slide coming back is a change too, however
  // soon it comes.
  if (owns(run.owner)) watchForegroundWhileShown(state, inFront ? run.window : GetForegroundWindow());
}

void slideOut(EdgeDockState& state, BarShown& barShown) {
  const SlideRun run = takeOverFor(state, barShown, Direction::out);
  if (run.window == nullptr) return;
  runSlideOut(run);
}

UniqueKernelHandle startSlideOutThread(EdgeDockState& state, BarShown& barShown) {
  const SlideRun run = takeOverFor(state, barShown, Direction::out);
  if (run.window == nullptr) return UniqueKernelHandle();
  auto* copy = new (std::nothrow) SlideRun(run);
  if (copy != nullptr) {
    UniqueKernelHandle thread = startThread(slideOutThread, copy);
    if (thread) return thread;
    delete copy;
  }
  // No thread: the bar must not stay shown with BarShown already 0.
  runSlideOut(run);
  return UniqueKernelHandle();
}

void placeBar(EdgeDockState& state, BarShown& barShown) {
  const bool shown = barShownValue(barShown) == 1;
  const SlideRun run = takeOverFor(state, barShown, shown ? Direction::in : Direction::out);
  if (run.window == nullptr) return;
  std::int32_t width = 0;
  if (!windowWidth(run.window, width)) return;
  stepTo(run, shown ? slideInEndLeft(run.screenWidth, width) : run.parkLeft);
}

void parkBar(EdgeDockState& state, BarShown& barShown) {
  const SlideRun run = takeOverFor(state, barShown, Direction::out);
  if (run.window == nullptr) return;
  stepTo(run, run.parkLeft);
}

void placeBar() {
  const EdgeDocking docking = installedEdgeDocking();
  if (docking.state != nullptr && docking.barShown != nullptr) placeBar(*docking.state, *docking.barShown);
}

void slideIn() {
  const EdgeDocking docking = installedEdgeDocking();
  if (docking.state != nullptr && docking.barShown != nullptr) slideIn(*docking.state, *docking.barShown);
}

void slideOut() {
  const EdgeDocking docking = installedEdgeDocking();
  if (docking.state != nullptr && docking.barShown != nullptr) slideOut(*docking.state, *docking.barShown);
}

bool isBarShown() {
  const EdgeDocking docking = installedEdgeDocking();
  return docking.barShown != nullptr && barShownValue(*docking.barShown) == 1;
}

void parkBar() {
  const EdgeDocking docking = installedEdgeDocking();
  if (docking.state != nullptr && docking.barShown != nullptr) parkBar(*docking.state, *docking.barShown);
}

bool handleSlideMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != slideStepMessage() || message == 0) return false;
  result = moveIfOwner(window, static_cast<std::uint32_t>(wParam), static_cast<std::int32_t>(lParam)) ? 1 : 0;
  return true;
}

std::uint32_t currentSlideOwner() { return slideOwner.load(); }

}  // namespace corvalis
