#include "runtime/CivilTime.h"

#include "runtime/LocalTimeNative.h"

#include <chrono>

namespace {

// The calendar arithmetic below stays exact and in range for years 1 to 9999.
constexpr std::time_t kFirstUtcSecond = -62135596800; // 0001-01-01 00:00:00
constexpr std::time_t kLastUtcSecond = 253402300799;  // 9999-12-31 23:59:59

// The proleptic Gregorian calendar needs no platform: Windows' own conversion stops at the year 3000.
std::tm UtcParts(std::time_t seconds) {
    using namespace std::chrono;
    const sys_seconds moment{std::chrono::seconds{seconds}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss clock{moment - day};
    std::tm parts{};
    parts.tm_year = static_cast<int>(date.year()) - 1900;
    parts.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    parts.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    parts.tm_hour = static_cast<int>(clock.hours().count());
    parts.tm_min = static_cast<int>(clock.minutes().count());
    parts.tm_sec = static_cast<int>(clock.seconds().count());
    parts.tm_wday = static_cast<int>(weekday{day}.c_encoding());
    parts.tm_yday = static_cast<int>((day - sys_days{date.year() / January / 1}).count());
    return parts;
}

} // namespace

bool BreakDownTime(std::time_t seconds, CivilZone zone, std::tm& parts) {
    if (zone == CivilZone::Local) {
        return BreakDownLocalTime(seconds, parts);
    }
    if (seconds < kFirstUtcSecond || seconds > kLastUtcSecond) {
        return false;
    }
    parts = UtcParts(seconds);
    return true;
}
