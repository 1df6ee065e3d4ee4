#pragma once

#include <cstdint>

// The device clock as the link keeps it: seconds since 1970-01-01 00:00 UTC and a microsecond field
// that may hold more than one second (it is carried at most once). Both 0: no time known.
struct HeldDeviceTime {
    std::int64_t seconds = 0;
    std::int64_t micros = 0;
};

// A reading advanced by advanceMicros, with one carry into the seconds when the field reaches a second.
HeldDeviceTime AdvanceDeviceTime(std::int64_t seconds, std::int64_t micros, std::int64_t advanceMicros);

// Whole device seconds elapsedMs after time was taken, truncating toward zero; 0 when time is unknown.
std::int64_t CarryDeviceTime(const HeldDeviceTime& time, std::int32_t elapsedMs);
