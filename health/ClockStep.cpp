#include "ClockStep.h"

#include "OffsetLimits.h"

#include <cstdio>

namespace {

// A disciplined clock slews by far less between two readings; beyond this it was set.
constexpr double kStepLimitSeconds = 1.0;
constexpr auto kKeptFor = std::chrono::minutes(10);

Problem StepProblem(double step) {
    char text[64];
    std::snprintf(text, sizeof text, "device clock stepped by %+.1f s", step);
    return Problem{
        .code = ProblemCode::ClockStep, .severity = Severity::Warning, .text = text, .value = step};
}

} // namespace

std::optional<Problem> CClockStep::Update(const DeviceRecord& record, Clock::time_point now) {
    if (m_step && now - m_steppedAt >= kKeptFor) {
        m_step.reset();
    }
    if (!record.reachable || !record.offsetSeconds) {
        return m_step;
    }
    // The offset is the device clock against this PC's, so its change is how far the device moved
    // beyond the time that passed here; each reading is good to half its round trip.
    const double uncertainty = ShellOffsetUncertainty(record);
    if (m_lastOffset) {
        const double step = *record.offsetSeconds - *m_lastOffset;
        if (SurelyBeyond(step, uncertainty + m_lastUncertainty, kStepLimitSeconds)) {
            m_step = StepProblem(step);
            m_steppedAt = now;
        }
    }
    m_lastOffset = record.offsetSeconds;
    m_lastUncertainty = uncertainty;
    return m_step;
}
