#include "NtpHistory.h"

bool CNtpHistory::MayAsk(Clock::time_point now) const {
    return !m_askedAt || now - *m_askedAt >= kShortestNtpPoll;
}

void CNtpHistory::Asked(Clock::time_point now) {
    m_askedAt = now;
}

void CNtpHistory::Ended(const NtpResult& result, Clock::time_point now) {
    m_result = result;
    m_endedAt = now;
}

std::optional<NtpResult> CNtpHistory::LastResult(Clock::time_point now) const {
    std::optional<NtpResult> result = m_result;
    if (result) {
        result->ageSeconds = std::chrono::duration<double>(now - m_endedAt).count();
    }
    return result;
}
