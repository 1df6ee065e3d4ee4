#include "RacePlan.h"

#include <algorithm>

LinkSide CRacePlan::Begin(Clock::time_point now) {
    m_hinted = m_hint.first.has_value();
    m_begin = now;
    m_secondDue = now + (m_hinted ? kHintedPromptWait : kLongestPromptWait);
    return m_hint.first.value_or(LinkSide::Shell);
}

void CRacePlan::FirstConnected(Clock::time_point now) {
    if (m_hinted) {
        return;
    }
    const auto connect = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_begin);
    m_secondDue = now + std::clamp(kPromptWaitPerConnect * connect, kShortestPromptWait, kLongestPromptWait);
}

void CRacePlan::Won(LinkSide side, bool rivalRunning) {
    // A shell that answers is preferred whatever the other did; telnet is kept first only where the shell
    // failed or was never tried, not where it was merely slower.
    m_hint.first = side == LinkSide::Shell || !rivalRunning ? std::optional(side) : std::nullopt;
}
