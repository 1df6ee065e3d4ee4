#pragma once

#include <cstdint>
#include <string>

// ISO 8601 in UTC to the microsecond: "2026-12-08T13:41:19.123456Z"; empty for a moment outside the
// years 1 to 9999.
std::string IsoUtcTime(std::int64_t utcMicros);

// "2026-12-08 14:41:19" in this PC's time zone, to the second; empty when it cannot be converted.
std::string LocalTimeText(std::int64_t utcMicros);

// This PC's time zone at utcMicros, in seconds east of UTC, as LocalTimeText applies it; 0 when the
// moment cannot be converted.
int UtcOffsetSeconds(std::int64_t utcMicros);
