#pragma once

#include "NtpHistory.h"

#include "runtime/Lock.h"

#include <cstdint>
#include <unordered_map>

// The NTP checks of devices that are read again and again in runs of their own (the exporter's probes,
// one a scrape), so that each device's time service is still asked at most every kShortestNtpPoll. Any
// thread may use it.
class CNtpHistoryStore {
public:
    using Clock = CNtpHistory::Clock;

    // The checks kept for the device at address (host byte order): none when it was never kept, or
    // when its last check was asked kShortestNtpPoll ago or more, since it may be asked again anyway.
    CNtpHistory Take(std::uint32_t address, Clock::time_point now) const;
    // Keeps the device's checks after a run, and forgets those of every device that may be asked again:
    // the store holds no more devices than were asked within kShortestNtpPoll.
    void Keep(std::uint32_t address, const CNtpHistory& history, Clock::time_point now);

private:
    mutable CLock m_lock;
    std::unordered_map<std::uint32_t, CNtpHistory> m_histories;
};
