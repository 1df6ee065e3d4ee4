#include "WeekRollover.h"

#include "runtime/TimeUnits.h"

#include <cmath>

namespace {

constexpr double kSecondsPerWeek = 7 * kSecondsPerDay;
constexpr int kRolloverWeeks[] = {1024, 2048};
// A clock that lost its weeks runs on from the wrong date, and this PC's clock may be off a little too.
constexpr double kRolloverSlackSeconds = 2 * kSecondsPerDay;

} // namespace

int RolloverWeeks(double offsetSeconds) {
    for (const int weeks : kRolloverWeeks) {
        if (std::fabs(offsetSeconds + weeks * kSecondsPerWeek) <= kRolloverSlackSeconds) {
            return weeks;
        }
    }
    return 0;
}
