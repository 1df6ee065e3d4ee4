#pragma once

#include "runtime/PcClock.h"

#include <chrono>
#include <cstdint>

// The clock of a link's deadlines and pacing: monotonic, so that a change of this PC's time moves none.
using LinkClock = std::chrono::steady_clock;

// A moment as a device dialogue is told it. The dialogue reads no clock of its own, so that a thread,
// an event loop and a test can each drive it with the times they choose.
struct LinkInstant {
    LinkClock::time_point monotonic; // deadlines, pacing and the age of the held device time
    std::int64_t pcMicros = 0; // this PC's clock (PcClockMicros): what a device's offset is read against
};

// Both clocks, read now (drivers only).
inline LinkInstant LinkInstantNow() {
    return {LinkClock::now(), PcClockMicros()};
}
