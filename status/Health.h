#pragma once

#include "DeviceRecord.h"
#include "PluginRange.h"

#include <string>
#include <vector>

// The monitoring-plugin states, which are also the program's exit statuses.
enum class Severity { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

struct HealthLimits {
    PluginRange warn = UpTo(1.0); // a clock or NTP offset (its absolute value) alerting here is WARNING
    PluginRange crit = UpTo(5.0); // and here CRITICAL
    // What a device not read (refused, silent, timed out, lost) counts as, its NTP check included.
    Severity unreachable = Severity::Critical;
};

// A device's health: the worst severity and a text for each rule that was broken, worst first. An
// offset too uncertain to be held to a limit gets a text too, at the severity of the limits it surely
// crossed.
struct Health {
    Severity severity = Severity::Ok;
    std::vector<std::string> problems;
};

Health AssessHealth(const DeviceRecord& record, const HealthLimits& limits);

// The worse of two severities (UNKNOWN above CRITICAL, as the exit status of a broken check).
Severity Worse(Severity a, Severity b);

// "OK", "WARNING", "CRITICAL" or "UNKNOWN".
const char* SeverityName(Severity severity);
