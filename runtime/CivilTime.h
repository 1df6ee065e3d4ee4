#pragma once

#include <ctime>

enum class CivilZone { Utc, Local };

// Breaks seconds since 1970 down into calendar fields, in UTC or in this PC's time zone. False for a UTC
// moment outside the years 1 to 9999, and when the platform cannot convert a moment to local time.
bool BreakDownTime(std::time_t seconds, CivilZone zone, std::tm& parts);
