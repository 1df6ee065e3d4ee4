#include "DeviceSnapshot.h"

#include <algorithm>
#include <chrono>
#include <limits>

std::int64_t DeviceSnapshot::DeviceTimeAt(LinkClock::time_point now) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - deviceTimeRead).count();
    // A display carries a reading forward by seconds; a count beyond 24 days is a stale reading anyway.
    using Limits = std::numeric_limits<std::int32_t>;
    const auto clamped = std::clamp<std::int64_t>(elapsed, Limits::min(), Limits::max());
    return CarryDeviceTime(deviceTime, static_cast<std::int32_t>(clamped));
}

void DeviceSnapshot::ForgetRun() {
    deviceTime = HeldDeviceTime{};
    timeSyncState.reset();
    gpsState.reset();
    version.clear();
    lastReading.reset();
    peerTable.reset();
    unreadableAnswer.reset();
}

void DeviceSnapshot::TakeClockReading(const std::optional<DeviceClockReading>& reading,
                                      std::int64_t advanceMicros, std::int64_t sentPcMicros,
                                      const LinkInstant& answeredAt) {
    if (!reading) {
        // A partial reading would be shown with a stale stamp.
        deviceTime = HeldDeviceTime{};
        gpsState = false;
        lastReading.reset();
        return;
    }
    lastReading = TimedClockReading{reading->seconds, reading->micros, sentPcMicros, answeredAt.pcMicros};
    deviceTime = AdvanceDeviceTime(reading->seconds, reading->micros, advanceMicros);
    deviceTimeRead = answeredAt.monotonic;
    macUnassigned = reading->status == 'M' ? 1 : 0;
    if (reading->status == 'M') {
        gpsState.reset();
    } else {
        gpsState = reading->status == 'A';
    }
}

void DeviceSnapshot::KeepUnreadableAnswer(std::string_view text, const char* marker) {
    if (!unreadableAnswer) {
        const std::string_view answer = AnswerText(text, marker);
        unreadableAnswer = UnreadableAnswer{marker, std::string(answer.substr(0, kUnreadableTextLength))};
    }
}
