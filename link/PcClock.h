#pragma once

#include <chrono>
#include <cstdint>

// This PC's clock in microseconds since 1970-01-01 00:00 UTC: the clock a device's offset is measured
// against.
inline std::int64_t PcClockMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}
