#pragma once

#include "ProbeQuery.h"

#include "health/Health.h"
#include "ntpquery/NtpHistoryStore.h"
#include "runtime/Signal.h"

#include <string>

// What one /probe gives back.
struct ProbeAnswer {
    std::string page; // the device's series, then vantrex_probe_success and vantrex_probe_duration_seconds
    bool success = false; // a complete reading
    double seconds = 0;
    bool interrupted = false; // ended by stop before the device was read: the page says nothing of it
    std::string localFailure; // why this PC could not read it (no socket, descriptor, thread); else empty
};

// Reads the device once, as vantrex-status does, within the query's limit; stop ends it early. Its time
// service is asked only when the probes before, whose checks ntpHistories keeps, did not ask it within
// kShortestNtpPoll; else the page shows their last answer.
ProbeAnswer RunProbe(const ProbeQuery& query, const HealthLimits& limits, const CSignal& stop,
                     CNtpHistoryStore& ntpHistories);
