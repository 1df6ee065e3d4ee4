#include "OffsetLimits.h"

#include <cmath>
#include <cstdio>

namespace {

// Offsets from this far out (a clock years wrong) read better in whole seconds.
constexpr double kWholeSecondsFrom = 1000;

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Whether some of the interval offset ± uncertainty lies beyond limit.
bool ReachesBeyond(double offset, double uncertainty, double limit) {
    return std::fabs(offset) + uncertainty > limit;
}

} // namespace

std::string LimitText(double seconds) {
    return Printf("%g s", seconds);
}

bool SurelyBeyond(double offset, double uncertainty, double limit) {
    return std::fabs(offset) - uncertainty > limit;
}

std::string OffsetReading(double offset, double uncertainty) {
    return Printf(std::fabs(offset) < kWholeSecondsFrom ? "%+.3f s" : "%+.0f s", offset) +
           (uncertainty > 0 ? Printf(" ±%.3g s", uncertainty) : "");
}

std::optional<Problem> HoldOffsetToLimits(const OffsetRule& rule, double offset, double uncertainty,
                                          const HealthLimits& limits) {
    Problem problem{.code = rule.beyond, .severity = Severity::Ok, .text = "", .value = offset};
    std::string verdict;
    std::optional<double> reachedAcross;
    if (SurelyBeyond(offset, uncertainty, limits.critSeconds)) {
        problem.severity = Severity::Critical;
        verdict = " beyond " + LimitText(limits.critSeconds);
    } else if (SurelyBeyond(offset, uncertainty, limits.warnSeconds)) {
        problem.severity = Severity::Warning;
        verdict = " beyond " + LimitText(limits.warnSeconds);
        if (ReachesBeyond(offset, uncertainty, limits.critSeconds)) {
            reachedAcross = limits.critSeconds;
        }
    } else if (ReachesBeyond(offset, uncertainty, limits.warnSeconds)) {
        problem.code = rule.uncertain;
        reachedAcross = limits.warnSeconds;
    } else {
        return std::nullopt;
    }
    if (reachedAcross) {
        verdict +=
            (verdict.empty() ? " uncertain against " : ", uncertain against ") + LimitText(*reachedAcross);
    }
    problem.text = rule.what + verdict + " (" + OffsetReading(offset, uncertainty) + ")";
    return problem;
}
