#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

// The GPS lock flips of --gps-flips, each at its time after the first connection the sim accepts: a
// client that cannot send the sim a signal (a Windows program under Wine) sees them at known points of
// its own run.
class CGpsFlipSchedule {
public:
    using Clock = std::chrono::steady_clock;

    // Flips at times (ascending) after the start; none when times is empty.
    explicit CGpsFlipSchedule(std::vector<std::chrono::milliseconds> times);

    // Starts the schedule at now; later calls change nothing.
    void Start(Clock::time_point now);
    // The flips due by now that were not taken yet; they count as taken.
    int TakeDue(Clock::time_point now);
    // When the next flip is due; nothing before the start or after the last flip.
    std::optional<Clock::time_point> NextTime() const;

private:
    std::vector<std::chrono::milliseconds> m_times;
    std::optional<Clock::time_point> m_start;
    std::size_t m_next = 0;
};
