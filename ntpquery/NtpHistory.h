#pragma once

#include "health/DeviceRecord.h"

#include <chrono>
#include <optional>

// An SNTP client asks one server at most every 15 s (RFC 4330, section 10), and a server's rate limit
// turns away one that asks more often: every program here asks a device's time service at most this often,
// with a second to spare for a wake that comes a little early.
inline constexpr std::chrono::seconds kShortestNtpPoll{16};

// One device's NTP checks over time: when the last was asked, and what it found when it ended, so that a
// program that reports more often than it may ask shows the last result in between, with its age.
class CNtpHistory {
public:
    using Clock = std::chrono::steady_clock;

    // Whether a check may start at now: none was asked yet, or the last kShortestNtpPoll ago or more.
    bool MayAsk(Clock::time_point now) const;
    // A check started at now.
    void Asked(Clock::time_point now);
    // The check ended at now with result.
    void Ended(const NtpResult& result, Clock::time_point now);
    // The last result with its age at now; empty until a check has ended.
    std::optional<NtpResult> LastResult(Clock::time_point now) const;

private:
    std::optional<Clock::time_point> m_askedAt;
    std::optional<NtpResult> m_result;
    Clock::time_point m_endedAt;
};
