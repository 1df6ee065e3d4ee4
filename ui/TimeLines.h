#pragma once

#include "resources/StringLookup.h"

#include "runtime/CivilTime.h"

#include <cstdint>
#include <optional>
#include <string>

// The line for a device time, "hh:mm:ss    dd Month yyyy    UTC" (or "... Local"), month names from the
// string table; nothing when the calendar cannot show that time (negative, beyond year 9999).
std::optional<std::string> FormatTimeLine(std::int64_t seconds, CivilZone zone, const StringLookup& strings);
