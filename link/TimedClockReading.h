#pragma once

#include <cstdint>

// One getdate reading as the device printed it, with this PC's clock (microseconds since 1970 UTC) just
// before the command was sent and when its answer was read.
struct TimedClockReading {
    std::int64_t seconds = 0;
    std::int64_t micros = 0;
    std::int64_t sentPcMicros = 0;
    std::int64_t answeredPcMicros = 0;
};
