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
};

// The device's clock. Seconds may exceed 2^31 so that year-2038 handling can be exercised.
class CDeviceClock {
public:
    // Starts the clock as setting says; a set clock runs from this moment.
    explicit CDeviceClock(const ClockSetting& setting);

    // The device time now.
    DeviceTime Now() const;

private:
    static DeviceTime RealTime();

    DeviceTime m_base;
    bool m_followsRealTime;
    bool m_frozen;
    std::chrono::steady_clock::time_point m_started;
};
