#include "OffsetLimits.h"

#include "NumberText.h"
#include "runtime/TimeUnits.h"

#include <algorithm>
#include <cmath>

namespace {

// Offsets from this far out (a clock years wrong) read better in whole seconds.
constexpr double kWholeSecondsFrom = 1000;

// A limit as a health text shows it: "5 s" for a plain limit, the range otherwise ("10:20 s").
std::string RangeText(const PluginRange& range) {
    return IsUpperBound(range) ? LimitText(range.end) : PluginRangeText(range) + " s";
}

std::string Crossed(const PluginRange& range) {
    return (IsUpperBound(range) ? " beyond " : range.inside ? " inside " : " outside ") + RangeText(range);
}

// "device date is 7305 days off: " for a clock wrong by days, whose seconds alone say little.
std::string DaysOff(const OffsetRule& rule, double offset) {
    const double days = std::trunc(std::fabs(offset) / kSecondsPerDay);
    if (days < 1) {
        return "";
    }
    return rule.date + FormatNumber(" is %.0f", days) + (days == 1 ? " day off: " : " days off: ");
}

} // namespace

std::string LimitText(double seconds) {
    return FormatNumber("%g s", seconds);
}

bool SurelyBeyond(double offset, double uncertainty, double limit) {
    return std::fabs(offset) - uncertainty > limit;
}

std::string OffsetReading(double offset, double uncertainty) {
    return FormatNumber(std::fabs(offset) < kWholeSecondsFrom ? "%+.3f s" : "%+.0f s", offset) +
           (uncertainty > 0 ? FormatNumber(" ±%.3g s", uncertainty) : "");
}

std::optional<Problem> HoldOffsetToLimits(const OffsetRule& rule, double offset, double uncertainty,
                                          const HealthLimits& limits) {
    // The limits hold the offset's size, which lies somewhere from low to high.
    const double low = std::max(std::fabs(offset) - uncertainty, 0.0);
    const double high = std::fabs(offset) + uncertainty;
    Problem problem{.code = rule.beyond, .severity = Severity::Ok, .text = "", .value = offset};
    std::string verdict;
    const PluginRange* reachedAcross = nullptr;
    if (RangeAlertsThroughout(limits.crit, low, high)) {
        problem.severity = Severity::Critical;
        verdict = Crossed(limits.crit);
    } else if (RangeAlertsThroughout(limits.warn, low, high)) {
        problem.severity = Severity::Warning;
        verdict = Crossed(limits.warn);
        if (RangeAlertsSomewhere(limits.crit, low, high)) {
            reachedAcross = &limits.crit;
        }
    } else if (RangeAlertsSomewhere(limits.warn, low, high)) {
        reachedAcross = &limits.warn;
    } else if (RangeAlertsSomewhere(limits.crit, low, high)) {
        // Only possible when the CRITICAL range alerts where the WARNING one does not.
        reachedAcross = &limits.crit;
    } else {
        return std::nullopt;
    }
    // Nothing crossed for sure: the problem is the doubt alone.
    if (problem.severity == Severity::Ok) {
        problem.code = rule.uncertain;
    }
    if (reachedAcross != nullptr) {
        verdict +=
            (verdict.empty() ? " uncertain against " : ", uncertain against ") + RangeText(*reachedAcross);
    }
    problem.text =
        DaysOff(rule, offset) + rule.what + verdict + " (" + OffsetReading(offset, uncertainty) + ")";
    return problem;
}
