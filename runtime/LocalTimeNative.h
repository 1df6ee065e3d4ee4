#pragma once

#include <ctime>

// The platform's thread-safe conversion to this PC's time zone; false when it cannot convert that moment.
bool BreakDownLocalTime(std::time_t seconds, std::tm& parts);
