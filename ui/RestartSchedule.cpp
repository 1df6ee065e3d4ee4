#include "RestartSchedule.h"

#include <algorithm>
#include <utility>

void CRestartSchedule::OnChangeSent(std::string newAddress, bool followable, Clock::time_point now) {
    m_newAddress = std::move(newAddress);
    m_followable = followable && !m_newAddress.empty();
    m_phase = RestartPhase::ChangeSent;
    m_restartDeadline = now + m_timing.restartLimit;
}

bool CRestartSchedule::OnStillConnected(Clock::time_point now) {
    if (m_phase != RestartPhase::ChangeSent || now < m_restartDeadline) {
        return false;
    }
    End();
    return true;
}

LinkTiming CRestartSchedule::TryTiming() const {
    LinkTiming timing;
    const auto bound = [this](std::uint32_t limitMs) {
        return static_cast<std::uint32_t>(std::min<std::int64_t>(limitMs, m_timing.retryInterval.count()));
    };
    timing.connectTimeoutMs = bound(timing.connectTimeoutMs);
    timing.firstPromptLimitMs = bound(timing.firstPromptLimitMs);
    return timing;
}

RestartCourse CRestartSchedule::OnLinkEnded(Clock::time_point now) {
    if (!m_followable) {
        m_phase = RestartPhase::Idle;
        return RestartCourse::ShowMoved;
    }
    m_phase = RestartPhase::Waiting;
    m_tryRunning = false;
    m_deadline = now + m_timing.wait;
    m_nextTry = now;
    return RestartCourse::Follow;
}

RestartTick CRestartSchedule::OnTick(Clock::time_point now) {
    if (m_phase != RestartPhase::Waiting) {
        return {};
    }
    if (now >= m_deadline) {
        End();
        return {.timedOut = true};
    }
    RestartTick tick;
    tick.secondsLeft = static_cast<int>(std::chrono::ceil<std::chrono::seconds>(m_deadline - now).count());
    // A try still undecided at its successor's turn is left to finish: its limits are the retry interval
    // (TryTiming), so it cannot hold up the schedule for long.
    if (!m_tryRunning && now >= m_nextTry) {
        m_tryRunning = true;
        m_nextTry = now + m_timing.retryInterval;
        tick.startTry = true;
    }
    return tick;
}

void CRestartSchedule::End() {
    m_phase = RestartPhase::Idle;
    m_tryRunning = false;
}
