#include "desktop/responsive_delay.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <limits>

#include "base/message_pump.h"
#include "base/win_handles.h"

namespace corvalis {

namespace {

using Clock = std::chrono::steady_clock;

// Waits until `deadline` on the message queue alone. Each wait either times out,
// or returns for new input which is then taken from the queue, so it cannot loop
// without waiting; a failing wait ends in one plain sleep for the rest.
void waitUntilWithoutTimer(Clock::time_point deadline) {
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    const DWORD slice = static_cast<DWORD>(std::min<long long>(left, INFINITE - 1));
    const DWORD result = MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) {
      processPendingMessages();
    } else if (result != WAIT_TIMEOUT) {
      Sleep(slice);
      return;
    }
  }
}

Clock::time_point deadlineAfter(std::uint64_t milliseconds) {
  const Clock::time_point now = Clock::now();
  const auto room = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now);
  const auto wait = std::chrono::milliseconds(
      static_cast<std::chrono::milliseconds::rep>(std::min<std::uint64_t>(milliseconds, room.count())));
  return now + wait;
}

}  // namespace

std::int64_t delayDueTime(std::int32_t amount, std::int32_t unit) {
  const double length = static_cast<double>(amount) * delayUnitMilliseconds(unit) * 10000.0;
  if (!(length > 0.0)) return 0;
  // 2^63 is exactly representable; anything at or above it would overflow the cast.
  constexpr double kLimit = 9223372036854775808.0;
  if (length >= kLimit) return -std::numeric_limits<std::int64_t>::max();
  return -static_cast<std::int64_t>(length);
}

void responsiveDelayWithoutTimer(std::uint64_t milliseconds) {
  waitUntilWithoutTimer(deadlineAfter(milliseconds));
}

bool responsiveDelay(std::int32_t amount, std::int32_t unit) {
  const std::int64_t due = delayDueTime(amount, unit);
  if (due == 0) return true;
  const std::uint64_t milliseconds = (static_cast<std::uint64_t>(-due) + 9999) / 10000;
  // Taken now so that a fallback after a failed wait only waits for what is left.
  const Clock::time_point deadline = deadlineAfter(milliseconds);

  const UniqueKernelHandle timer(CreateWaitableTimerA(nullptr, FALSE, nullptr));
  LARGE_INTEGER dueTime;
  dueTime.QuadPart = due;
  if (!timer || !SetWaitableTimer(timer.get(), &dueTime, 0, nullptr, nullptr, FALSE)) {
    waitUntilWithoutTimer(deadline);
    return true;
  }
  const HANDLE handles[1] = {timer.get()};
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) break;
    if (result == WAIT_OBJECT_0 + 1) {
      processPendingMessages();
      continue;
    }
    // A failed wait would fail again at once: waiting on it in a loop would spin.
    waitUntilWithoutTimer(deadline);
    break;
  }
  return true;
}

}  // namespace corvalis
