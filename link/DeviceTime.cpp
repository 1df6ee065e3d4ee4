#include "DeviceTime.h"

#include "runtime/TimeUnits.h"

HeldDeviceTime AdvanceDeviceTime(std::int64_t seconds, std::int64_t micros, std::int64_t advanceMicros) {
    HeldDeviceTime time{seconds, micros + advanceMicros};
    if (time.micros >= kMicrosPerSecond) {
        time.seconds += 1;
        time.micros -= kMicrosPerSecond;
    }
    return time;
}

std::int64_t CarryDeviceTime(const HeldDeviceTime& time, std::int32_t elapsedMs) {
    if (time.seconds == 0 && time.micros == 0) {
        return 0;
    }
    return time.seconds + (time.micros / 1000 + elapsedMs) / 1000;
}
