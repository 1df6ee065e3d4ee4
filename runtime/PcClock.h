#pragma once

#include "runtime/RealTimeClock.h"

#include <cstdint>

// This PC's clock in microseconds since 1970-01-01 00:00 UTC: the clock a device's offset is measured
// against. The real-time clock, so that it agrees with the arrival stamps of datagrams.
inline std::int64_t PcClockMicros() {
    return RealTimeMicros();
}
