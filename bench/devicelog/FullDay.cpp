#include "FullDay.h"

#include <cmath>

CReadingHistory FullDay() {
    constexpr std::int64_t kSecond = 1000000;
    CReadingHistory history;
    for (int second = 0; second < kFullDaySeconds; ++second) {
        if (second % 3600 == 0) {
            history.MarkGap();
        }
        LogReading reading;
        reading.pcUnixMicros = kFullDayStartMicros + second * kSecond;
        reading.hasOffset = true;
        reading.offsetSeconds = 2e-4 * std::sin(second / 500.0);
        reading.uncertaintySeconds = 4e-5f;
        reading.gps = second % 5000 < 30 ? LampState::Off : LampState::On;
        reading.timeSync = LampState::On;
        history.Add(reading);
    }
    return history;
}
