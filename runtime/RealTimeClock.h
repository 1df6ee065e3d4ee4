#pragma once

#include <chrono>
#include <cstdint>

// The system's real-time clock in microseconds since 1970-01-01 00:00 UTC: the clock the kernel stamps a
// datagram's arrival with, and so the one every time compared with such a stamp must be read from.
inline std::int64_t RealTimeMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}
