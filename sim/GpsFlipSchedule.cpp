#include "GpsFlipSchedule.h"

#include <utility>

CGpsFlipSchedule::CGpsFlipSchedule(std::vector<std::chrono::milliseconds> times)
    : m_times(std::move(times)) {}

void CGpsFlipSchedule::Start(Clock::time_point now) {
    if (!m_start) {
        m_start = now;
    }
}

int CGpsFlipSchedule::TakeDue(Clock::time_point now) {
    int due = 0;
    while (m_start && m_next < m_times.size() && now >= *m_start + m_times[m_next]) {
        ++m_next;
        ++due;
    }
    return due;
}

std::optional<CGpsFlipSchedule::Clock::time_point> CGpsFlipSchedule::NextTime() const {
    if (!m_start || m_next == m_times.size()) {
        return std::nullopt;
    }
    return *m_start + m_times[m_next];
}
