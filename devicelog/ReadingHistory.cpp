#include "ReadingHistory.h"

#include <algorithm>

namespace {

bool TakenBefore(const LogReading& reading, std::int64_t micros) {
    return reading.pcUnixMicros < micros;
}

} // namespace

void CReadingHistory::Add(LogReading reading) {
    const std::span<const LogReading> kept = Kept();
    if (!kept.empty() && kept.back().pcUnixMicros >= reading.pcUnixMicros) {
        const auto later = std::lower_bound(kept.begin(), kept.end(), reading.pcUnixMicros, TakenBefore);
        m_readings.resize(m_first + static_cast<std::size_t>(later - kept.begin()));
        m_gap = true;
    }
    // A reading read back from the journal may start a run of its own.
    reading.startsRun = reading.startsRun || m_gap;
    m_gap = false;
    if (m_readings.capacity() == 0) {
        // Reserved once, so that the day's readings never need twice their memory while they move.
        m_readings.reserve(kMostReadings + kDroppedAtOnce);
    }
    m_readings.push_back(reading);
    const std::span<const LogReading> now = Kept();
    const auto fresh =
        std::lower_bound(now.begin(), now.end(), reading.pcUnixMicros - kKeptMicros, TakenBefore);
    const std::size_t expired = static_cast<std::size_t>(fresh - now.begin());
    DropOldest(std::max(expired, Size() > kMostReadings ? Size() - kMostReadings : 0));
}

std::span<const LogReading> CReadingHistory::Between(std::int64_t fromMicros, std::int64_t toMicros) const {
    const std::span<const LogReading> kept = Kept();
    const auto first = std::lower_bound(kept.begin(), kept.end(), fromMicros, TakenBefore);
    const auto last = std::lower_bound(first, kept.end(), toMicros + 1, TakenBefore);
    return {first, last};
}

std::span<const LogReading> CReadingHistory::Kept() const {
    return std::span<const LogReading>(m_readings).subspan(m_first);
}

void CReadingHistory::DropOldest(std::size_t count) {
    m_first += count;
    if (m_first >= kDroppedAtOnce) {
        m_readings.erase(m_readings.begin(), m_readings.begin() + static_cast<std::ptrdiff_t>(m_first));
        m_first = 0;
    }
}
