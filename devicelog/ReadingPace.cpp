#include "ReadingPace.h"

#include <cmath>

namespace {

bool StateChanged(const LogReading& before, const LogReading& now) {
    return now.startsRun || now.gps != before.gps || now.timeSync != before.timeSync ||
           now.hasOffset != before.hasOffset;
}

bool OffsetMoved(const LogReading& before, const LogReading& now) {
    return now.hasOffset && std::abs(now.offsetSeconds - before.offsetSeconds) >
                                static_cast<double>(before.uncertaintySeconds) + now.uncertaintySeconds;
}

} // namespace

bool CReadingPace::Keeps(const LogReading& reading) {
    bool keeps = !m_kept;
    if (m_kept) {
        const std::int64_t since = reading.pcUnixMicros - m_kept->pcUnixMicros;
        // A clock set back is a new time axis: the reading starts again.
        keeps = since < 0 || since >= kEveryMicros || StateChanged(*m_kept, reading) ||
                (since >= kMovedMicros && OffsetMoved(*m_kept, reading));
    }
    if (keeps) {
        m_kept = reading;
    }
    return keeps;
}
