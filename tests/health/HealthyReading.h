#pragma once

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
