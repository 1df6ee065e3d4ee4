#include "LinkRecord.h"

#include "runtime/TimeUnits.h"

#include <cstdint>

namespace {

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

void FillFromSnapshot(const DeviceSnapshot& snapshot, DeviceRecord& record) {
    record.firmware = snapshot.version;
    const bool macUnassigned = snapshot.macUnassigned == 1;
    record.macAssigned = !macUnassigned;
    record.gpsLocked = snapshot.gpsState;
    // With the MAC unassigned the link never asks for the peer table: what it holds says nothing.
    record.timeSynced = macUnassigned ? std::nullopt : snapshot.timeSyncState;
    record.peers = macUnassigned ? std::nullopt : snapshot.peerTable;
    if (snapshot.lastReading) {
        FillClock(*snapshot.lastReading, record);
    }
}

void FillFromLink(const CRacingLink& link, DeviceRecord& record) {
    // Only the fields the record reads; each accessor takes the link's lock on its own.
    DeviceSnapshot snapshot;
    snapshot.version = link.FirmwareVersion();
    snapshot.macUnassigned = link.IsMacUnassigned();
    snapshot.gpsState = link.GpsState();
    snapshot.timeSyncState = link.TimeSyncState();
    snapshot.peerTable = link.LastPeerTable();
    snapshot.lastReading = link.LastClockReading();
    FillFromSnapshot(snapshot, record);
}
