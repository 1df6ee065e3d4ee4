#pragma once

#include "Health.h"

#include <optional>
#include <string>

// An offset rule: the text's first words, and the codes of a limit crossed and of one perhaps crossed.
struct OffsetRule {
    const char* what;
    ProblemCode beyond;
    ProblemCode uncertain;
};

// Holds an offset known to within ±uncertainty to the limits. A limit is crossed only when the whole
// interval lies beyond it; the next limit the interval reaches across is named as uncertain, without
// raising the severity. Nothing when the whole interval is within the limits.
std::optional<Problem> HoldOffsetToLimits(const OffsetRule& rule, double offset, double uncertainty,
                                          const HealthLimits& limits);

// Whether the whole interval offset ± uncertainty lies beyond limit (limits are exclusive).
bool SurelyBeyond(double offset, double uncertainty, double limit);

// A limit as a health text shows it: "5 s".
std::string LimitText(double seconds);

// The offset with its uncertainty, as a health text shows it: "+1.200 s ±1.15 s".
std::string OffsetReading(double offset, double uncertainty);
