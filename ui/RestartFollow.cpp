#include "RestartFollow.h"

#include <utility>

void CRestartFollow::OnChangeSent(std::string newAddress, bool followable) {
    m_newAddress = std::move(newAddress);
    m_followable = followable && !m_newAddress.empty();
    m_phase = RestartPhase::ChangeSent;
}

RestartCourse CRestartFollow::OnLinkEnded(Clock::time_point now) {
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

RestartTick CRestartFollow::OnTick(Clock::time_point now) {
    if (m_phase != RestartPhase::Waiting) {
        return {};
    }
    if (now >= m_deadline) {
        End();
        return {.timedOut = true};
    }
    RestartTick tick;
    tick.secondsLeft = static_cast<int>(std::chrono::ceil<std::chrono::seconds>(m_deadline - now).count());
    // A try still undecided at its successor's turn is left to finish: its connect time-out is the
    // retry interval, so it cannot hold up the schedule for long.
    if (!m_tryRunning && now >= m_nextTry) {
        m_tryRunning = true;
        m_nextTry = now + m_timing.retryInterval;
        tick.startTry = true;
    }
    return tick;
}

void CRestartFollow::End() {
    m_phase = RestartPhase::Idle;
    m_tryRunning = false;
}
