#pragma once

#include "Health.h"

#include <optional>
#include <string>

// An offset rule: the text's first words, whose date it judges (for an offset of days, whose size reads
// better in days), and the codes of a limit crossed and of one perhaps crossed.
struct OffsetRule {
    const char* what;
    const char* date;
    ProblemCode beyond;
    ProblemCode uncertain;
};

// Holds the size of an offset known to within ±uncertainty to the limits' ranges. A range alerts only
// when it alerts throughout that interval; the next range that alerts somewhere in it is named as
// uncertain, without raising the severity (the uncertain code when nothing alerts for sure). Nothing
// when no range alerts anywhere in the interval.
std::optional<Problem> HoldOffsetToLimits(const OffsetRule& rule, double offset, double uncertainty,
                                          const HealthLimits& limits);

// Whether the whole interval offset ± uncertainty lies beyond limit (limits are exclusive).
bool SurelyBeyond(double offset, double uncertainty, double limit);

// A plain limit as a health text shows it: "5 s".
std::string LimitText(double seconds);

// The offset with its uncertainty, as a health text shows it: "+1.200 s ±1.15 s".
std::string OffsetReading(double offset, double uncertainty);
