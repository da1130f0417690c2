// A delay that keeps the calling thread's windows alive: while it waits, the
// thread's messages are dispatched, so windows repaint and hook procedures run
// (and a handler may be entered again before the delay returns).
#pragma once

#include <cstdint>

namespace corvalis {

// Milliseconds in one unit: 0 milliseconds, 1 seconds, 2 minutes, 3 hours; any
// other unit is itself the number of milliseconds per unit.
constexpr double delayUnitMilliseconds(std::int32_t unit) {
  switch (unit) {
    case 0: return 1.0;
    case 1: return 1000.0;
    case 2: return 60000.0;
    case 3: return 3600000.0;
    default: return static_cast<double>(unit);
  }
}

// The relative due time for SetWaitableTimer in 100-ns units (negative), computed
// in double precision and truncated. 0 when there is nothing to wait: a zero or
// negative length (which the timer would read as an absolute time long past).
// Lengths beyond the 64-bit range are held at its end.
std::int64_t delayDueTime(std::int32_t amount, std::int32_t unit);

// Waits `amount` units while dispatching the thread's messages. Always true.
bool responsiveDelay(std::int32_t amount, std::int32_t unit);

// The wait without a waitable timer, used when none can be made or waiting on it
// fails: waits on the message queue alone with a time-out, dispatching messages,
// until `milliseconds` have passed; if even that wait fails, sleeps for the rest.
void responsiveDelayWithoutTimer(std::uint64_t milliseconds);

}  // namespace corvalis
