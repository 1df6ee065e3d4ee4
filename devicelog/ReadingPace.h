#pragma once

#include "LogReading.h"

#include <cstdint>
#include <optional>

// Chooses which of the chart's readings the journal keeps: enough to draw the last day again after a
// restart, few enough that the journal's size bound leaves its events in place. Kept are the first
// reading of a run, a change of a lamp or of whether an offset was read, an offset that moved beyond
// the two readings' uncertainty (at most one each kMovedMicros), and otherwise one a minute.
class CReadingPace {
public:
    static constexpr std::int64_t kEveryMicros = 60'000'000;
    static constexpr std::int64_t kMovedMicros = 10'000'000;

    // Whether reading is kept; a kept one is what the next are compared with.
    bool Keeps(const LogReading& reading);
    // Nothing was kept yet: the next reading is.
    void Forget() { m_kept.reset(); }

private:
    std::optional<LogReading> m_kept;
};
