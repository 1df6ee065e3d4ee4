#pragma once

#include "StringLookup.h"

#include <cstdint>
#include <optional>
#include <string>

// Which clock a time line shows: the UTC calendar, or the PC's own time zone and daylight-saving rule.
enum class TimeLineZone { Utc, Local };

// The line for a device time, "hh:mm:ss    dd Month yyyy    UTC" (or "... Local"), month names from the
// string table; nothing when the calendar cannot show that time (negative, beyond year 9999).
std::optional<std::string> FormatTimeLine(std::int64_t seconds, TimeLineZone zone,
                                          const StringLookup& strings);
