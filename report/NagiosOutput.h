#pragma once

#include "RecordFormat.h"

#include "health/Health.h"

#include <string>
#include <vector>

// The most of a check's output a monitoring host reads; beyond it the rest is lost.
inline constexpr std::size_t kLargestNagiosOutput = 8192;

// The monitoring-plugin output: a status line with the performance data after '|', then one line per
// device when there are several or verbosity is 1 or more (the whole reading then), each ending in a
// newline. Output that would reach kLargestNagiosOutput leaves out the least troubled devices' lines and
// data and says how many. A localFailure (a failure of this PC, such as an unwritable textfile) counts as
// UNKNOWN, by the plugins' order below WARNING and CRITICAL, and leads the status line.
std::string FormatNagios(const std::vector<AssessedRecord>& records, const HealthLimits& limits,
                         int verbosity = 0, const std::string& localFailure = "");

// The plugin output of a check that could not run (bad input, a failure of this PC): one UNKNOWN status
// line with the reason, ending in a newline.
std::string FormatNagiosFailure(const std::string& reason);
