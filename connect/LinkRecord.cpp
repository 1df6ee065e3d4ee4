#include "LinkRecord.h"

#include "runtime/TimeUnits.h"

#include <cstdint>

namespace {

std::optional<bool> Indicator(IndicatorState state) {
    return state < 0 ? std::nullopt : std::optional<bool>(state == 1);
}

void FillClock(const TimedClockReading& reading, DeviceRecord& record) {
    // Cannot overflow: the link reads no device second past year 9999.
    const std::int64_t device = reading.seconds * kMicrosPerSecond + reading.micros;
    const std::int64_t midpoint =
        reading.sentPcMicros + (reading.answeredPcMicros - reading.sentPcMicros) / 2;
    record.deviceUnixMicros = device;
    record.offsetSeconds = static_cast<double>(device - midpoint) / kMicrosPerSecond;
    record.roundTripSeconds =
        static_cast<double>(reading.answeredPcMicros - reading.sentPcMicros) / kMicrosPerSecond;
}

} // namespace

void FillFromLink(const CRacingLink& link, DeviceRecord& record) {
    record.firmware = link.FirmwareVersion();
    const bool macUnassigned = link.IsMacUnassigned() == 1;
    record.macAssigned = !macUnassigned;
    record.gpsLocked = Indicator(link.GpsState());
    // With the MAC unassigned the link never asks for the peer table: what it holds says nothing.
    record.timeSynced = macUnassigned ? std::nullopt : Indicator(link.TimeSyncState());
    record.peers = macUnassigned ? std::nullopt : link.LastPeerTable();
    if (const std::optional<TimedClockReading> reading = link.LastClockReading()) {
        FillClock(*reading, record);
    }
}
