#include "ChartAxes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Below this a range cannot be told from a point: the clock is read to the microsecond.
constexpr double kNarrowestRangeSeconds = 1e-6;

constexpr double kRoundingSlack = 1e-9;

struct Unit {
    const char* name;
    double perSecond;
};

// The largest value an axis shows decides its unit: below a millisecond µs, below a second ms.
Unit UnitFor(double largest) {
    if (largest < 1e-3) {
        return {"\xC2\xB5s", 1e6};
    }
    return largest < 1 ? Unit{"ms", 1e3} : Unit{"s", 1};
}

double NiceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * power >= rough * (1 - kRoundingSlack)) {
            return multiple * power;
        }
    }
    return 10 * power;
}

constexpr std::int64_t kClockSteps[] = {60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};

} // namespace

ValueAxis NiceValueAxis(double least, double most, int tickCount) {
    if (most - least < kNarrowestRangeSeconds) {
        const double middle = (least + most) / 2;
        least = middle - kNarrowestRangeSeconds / 2;
        most = middle + kNarrowestRangeSeconds / 2;
    }
    ValueAxis axis;
    axis.stepSeconds = NiceStep((most - least) / std::max(tickCount, 1));
    // A value on a tick must not gain a step below or above it from a rounding of its last bit.
    axis.lowSeconds = std::floor(least / axis.stepSeconds + kRoundingSlack) * axis.stepSeconds;
    axis.highSeconds = std::ceil(most / axis.stepSeconds - kRoundingSlack) * axis.stepSeconds;
    const Unit unit = UnitFor(std::max(std::fabs(axis.lowSeconds), std::fabs(axis.highSeconds)));
    axis.unit = unit.name;
    axis.perSecond = unit.perSecond;
    const double stepInUnit = axis.stepSeconds * unit.perSecond;
    axis.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(stepInUnit) + kRoundingSlack)));
    return axis;
}

std::vector<double> TickValues(const ValueAxis& axis) {
    // Counted in whole steps, so that no sum of steps drifts off the round values.
    const auto first = static_cast<long long>(std::llround(axis.lowSeconds / axis.stepSeconds));
    const auto last = static_cast<long long>(std::llround(axis.highSeconds / axis.stepSeconds));
    std::vector<double> values;
    for (long long step = first; step <= last; ++step) {
        values.push_back(static_cast<double>(step) * axis.stepSeconds);
    }
    return values;
}

std::string ValueLabel(const ValueAxis& axis, double seconds) {
    double shown = seconds * axis.perSecond;
    if (std::fabs(seconds) < axis.stepSeconds * 1e-6) {
        shown = 0; // a tick at zero computed as -1e-22 would read "-0"
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", axis.decimals, shown);
    return text;
}

std::int64_t TimeStepSeconds(std::int64_t spanSeconds, int width, int minimumPixels) {
    for (const std::int64_t step : kClockSteps) {
        if (step * width >= static_cast<std::int64_t>(minimumPixels) * spanSeconds) {
            return step;
        }
    }
    return std::end(kClockSteps)[-1];
}

std::string ClockLabel(std::int64_t seconds) {
    constexpr std::int64_t kDay = 86400;
    const std::int64_t ofDay = ((seconds % kDay) + kDay) % kDay;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(ofDay / 3600),
                  static_cast<int>(ofDay / 60 % 60));
    return text;
}
