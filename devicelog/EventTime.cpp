#include "EventTime.h"

#include "runtime/CivilTime.h"
#include "runtime/TimeUnits.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

// Whole seconds rounded down, so that a moment before 1970 keeps a positive fraction.
std::int64_t FloorSeconds(std::int64_t utcMicros) {
    return utcMicros / kMicrosPerSecond - (utcMicros % kMicrosPerSecond < 0 ? 1 : 0);
}

} // namespace

std::string IsoUtcTime(std::int64_t utcMicros) {
    const std::int64_t seconds = FloorSeconds(utcMicros);
    const std::int64_t micros = utcMicros - seconds * kMicrosPerSecond;
    std::tm parts{};
    if (!BreakDownTime(static_cast<std::time_t>(seconds), CivilZone::Utc, parts)) {
        return "";
    }
    char text[96]; // room for any int the compiler cannot rule out
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(micros));
    return text;
}

std::string LocalTimeText(std::int64_t utcMicros) {
    std::tm parts{};
    if (!BreakDownTime(static_cast<std::time_t>(FloorSeconds(utcMicros)), CivilZone::Local, parts)) {
        return "";
    }
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

int UtcOffsetSeconds(std::int64_t utcMicros) {
    const std::int64_t utcSeconds = FloorSeconds(utcMicros);
    std::tm parts{};
    if (!BreakDownTime(static_cast<std::time_t>(utcSeconds), CivilZone::Local, parts)) {
        return 0;
    }
    // The local calendar fields read as if they were UTC: that moment is the offset ahead of the real one.
    using namespace std::chrono;
    const sys_days day = year{parts.tm_year + 1900} / (parts.tm_mon + 1) / parts.tm_mday;
    const sys_seconds local = day + hours{parts.tm_hour} + minutes{parts.tm_min} + seconds{parts.tm_sec};
    return static_cast<int>(local.time_since_epoch().count() - utcSeconds);
}
