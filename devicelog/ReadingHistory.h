#pragma once

#include "LogReading.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The readings of the last 24 hours, oldest first, for the chart. Bounded: a day at one reading a
// second, however often readings come. Readings are kept in the order of this PC's clock: when that
// clock is set back, the readings it has gone back past are dropped, since no time axis holds both.
class CReadingHistory {
public:
    static constexpr std::int64_t kKeptMicros = 24LL * 3600 * 1000000;
    static constexpr std::size_t kMostReadings = 24 * 3600;
    // Dropped readings stay at the front until an hour's worth of them is moved out in one go.
    static constexpr std::size_t kDroppedAtOnce = 3600;
    // The memory of the readings, reserved at the first one and never grown.
    static constexpr std::size_t kReservedBytes = (kMostReadings + kDroppedAtOnce) * sizeof(LogReading);

    // Keeps reading; those older than a day before it go.
    void Add(LogReading reading);
    // The connection ended: the next reading starts a new run.
    void MarkGap() { m_gap = true; }
    // The readings taken from fromMicros to toMicros, both included.
    std::span<const LogReading> Between(std::int64_t fromMicros, std::int64_t toMicros) const;
    std::size_t Size() const { return m_readings.size() - m_first; }
    // The reading added last, as kept (the first of a run marked so); only once one was added.
    const LogReading& Latest() const { return m_readings.back(); }

private:
    std::span<const LogReading> Kept() const;
    void DropOldest(std::size_t count);

    std::vector<LogReading> m_readings;
    std::size_t m_first = 0;
    bool m_gap = true;
};
