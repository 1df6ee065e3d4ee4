#pragma once

#include "DeviceEvent.h"
#include "LogReading.h"

#include <span>
#include <string>

// The events as CSV (RFC 4180: CRLF line ends, fields quoted where they hold a comma, a quote or a line
// break) in UTF-8: one header row, then one row per event in the order given, its time in ISO 8601 UTC.
// Every text is made valid UTF-8 without control characters first (an address or a firmware version is
// outside text), and one that a spreadsheet would take for a formula is kept as text by a leading '.
std::string EventsCsv(std::span<const DeviceEvent> events);

// The readings as CSV of the same form: one header row, then one row per reading in the order given,
// its time in ISO 8601 UTC, the offset and its uncertainty in seconds to the microsecond, and each lamp
// 1 (on) or 0 (off); a value not read is an empty field.
std::string ReadingsCsv(std::span<const LogReading> readings);
