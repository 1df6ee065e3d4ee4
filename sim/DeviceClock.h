#pragma once

#include <chrono>
#include <cstdint>

// A device time as getdate prints it: whole seconds since 1970-01-01 UTC and microseconds.
struct DeviceTime {
    std::int64_t seconds = 0;
    int micros = 0;
};

// How the device clock is set: real UTC time, or running (or standing) from a given time.
struct ClockSetting {
    bool fixedStart = false;
    DeviceTime start;
    bool frozen = false;
    bool weekRollover = false; // 1024 weeks behind, as a receiver that lost track of the GPS week epoch
};

// The device's clock. Seconds may exceed 2^31 so that year-2038 handling can be exercised.
class CDeviceClock {
public:
    // Starts the clock as setting says; a set clock runs from this moment.
    explicit CDeviceClock(const ClockSetting& setting);

    // The device time now, as the shell prints it and the time service serves it.
    DeviceTime Now() const;

private:
    // The time the options set, before any rollover.
    DeviceTime Configured() const;
    static DeviceTime RealTime();

    DeviceTime m_base;
    bool m_followsRealTime;
    bool m_frozen;
    std::int64_t m_behindMicros;
    std::chrono::steady_clock::time_point m_started;
};
