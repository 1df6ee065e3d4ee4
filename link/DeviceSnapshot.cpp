#include "DeviceSnapshot.h"

#include "devicetext/DeviceText.h"

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
    const std::int64_t roundTrip = answeredAt.pcMicros - sentPcMicros;
    const bool hasHeld = deviceTime.seconds != 0 || deviceTime.micros != 0;
    if (IsTimelyAnswer(roundTrip, hasHeld, deviceTimeRoundTripMicros)) {
        deviceTime = AdvanceDeviceTime(reading->seconds, reading->micros, advanceMicros);
        deviceTimeRead = answeredAt.monotonic;
        deviceTimeRoundTripMicros = roundTrip;
    }
    macUnassigned = reading->status == 'M' ? 1 : 0;
    if (reading->status == 'M') {
        gpsState.reset();
    } else {
        gpsState = reading->status == 'A';
    }
}

bool IsTimelyAnswer(std::int64_t roundTripMicros, bool hasHeld, std::int64_t heldRoundTripMicros) {
    if (!hasHeld) {
        return true;
    }
    // A negative round trip means this PC's clock was set in between: how long it took is unknown.
    return roundTripMicros >= 0 &&
           roundTripMicros <= std::max(kTimelyRoundTripMicros, 2 * heldRoundTripMicros);
}

void DeviceSnapshot::KeepUnreadableAnswer(std::string_view text, const char* marker) {
    if (!unreadableAnswer) {
        const std::string_view answer = AnswerText(text, marker);
        unreadableAnswer = UnreadableAnswer{
            marker, std::string(answer.substr(0, WholeCharacterLength(answer, kUnreadableTextLength)))};
    }
}
