#pragma once

#include "devicetext/PeerLine.h"
#include "health/DeviceRecord.h"

// A complete reading of a device that breaks no rule, with an NTP answer, for tests to change.
inline DeviceRecord HealthyReading() {
    DeviceRecord record;
    record.address = "127.0.9.1";
    record.reachable = true;
    record.offsetSeconds = 0.001;
    record.gpsLocked = record.timeSynced = record.macAssigned = true;
    record.ntp = NtpResult{
        .answered = true, .failure = "", .stratum = 1, .referenceId = "GPS", .offsetSeconds = 0.001};
    record.ntpShellSeconds = 0;
    return record;
}

// Healthy, with a GPS reference as the system peer between two other peers.
inline DeviceRecord WithSystemPeer(unsigned reach, double jitterMs) {
    DeviceRecord record = HealthyReading();
    const NtpPeer other = *ParsePeerLine("+10.1.1.1  .PPS.  1 u  -  64  377  0.412  -0.104  0.022");
    NtpPeer system = *ParsePeerLine("*GPS_NMEA(0)  .GPS.  0 l  9  16  377  0.000  0.012  0.004");
    system.reach = reach;
    system.jitterMs = jitterMs;
    record.peers = PeerTable{{other, system, other}, 0};
    return record;
}
