#include "LogReading.h"

namespace {

constexpr double kSecondsPerMilli = 1e-3;

LampState LampOf(const std::optional<bool>& lit) {
    return !lit ? LampState::Unknown : *lit ? LampState::On : LampState::Off;
}

} // namespace

LogReading ReadingOf(const DeviceRecord& record, std::int64_t pcUnixMicros) {
    LogReading reading;
    reading.pcUnixMicros = pcUnixMicros;
    reading.gps = LampOf(record.gpsLocked);
    reading.timeSync = LampOf(record.timeSynced);
    if (record.offsetSeconds) {
        reading.hasOffset = true;
        reading.offsetSeconds = *record.offsetSeconds;
        reading.uncertaintySeconds = static_cast<float>(ShellOffsetUncertainty(record));
    }
    const NtpPeer* peer = record.peers ? SystemPeer(*record.peers) : nullptr;
    if (peer != nullptr) {
        reading.hasPeer = true;
        reading.peerOffsetSeconds = static_cast<float>(peer->offsetMs * kSecondsPerMilli);
        reading.peerJitterSeconds = static_cast<float>(peer->jitterMs * kSecondsPerMilli);
    }
    return reading;
}
