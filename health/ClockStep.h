#pragma once

#include "DeviceRecord.h"
#include "Health.h"

#include <chrono>
#include <optional>

// Watches one device's clock against this PC's from one reading to the next: a device clock that jumps
// (a receiver that lost and found its fix, a daemon that stepped the time) shows only between readings,
// each of which may look healthy. The step is a problem for 10 minutes after it was seen, so that a
// monitor that looks now and then still sees it. Pure: the caller gives the time.
class CClockStep {
public:
    using Clock = std::chrono::steady_clock;

    // Takes the next reading, made at now on this PC's steady clock; the step problem while one is
    // remembered. Only complete readings are compared, so a failed reading or a reconnect between two
    // of them makes no step, however long the gap.
    std::optional<Problem> Update(const DeviceRecord& record, Clock::time_point now);

private:
    std::optional<double> m_lastOffset;
    double m_lastUncertainty = 0;
    std::optional<Problem> m_step;
    Clock::time_point m_steppedAt;
};
