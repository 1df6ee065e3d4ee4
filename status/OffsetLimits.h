#pragma once

#include "Health.h"

#include <optional>
#include <string>

// A rule a device broke, or could not be held to: its severity and its text.
struct HealthFinding {
    Severity severity = Severity::Ok;
    std::string text;
};

// Holds an offset known to within ±uncertainty to the limits, in a text that begins with what. A limit
// is crossed only when the whole interval lies beyond it; the next limit the interval reaches across is
// named as uncertain, without raising the severity. Nothing when the whole interval is within the limits.
std::optional<HealthFinding> HoldOffsetToLimits(const char* what, double offset, double uncertainty,
                                                const HealthLimits& limits);

// Whether the whole interval offset ± uncertainty lies beyond limit (limits are exclusive).
bool SurelyBeyond(double offset, double uncertainty, double limit);

// A limit as a health text shows it: "5 s".
std::string LimitText(double seconds);

// The offset with its uncertainty, as a health text shows it: "+1.200 s ±1.15 s".
std::string OffsetReading(double offset, double uncertainty);
