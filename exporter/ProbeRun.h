#pragma once

#include "ProbeQuery.h"

#include "health/Health.h"
#include "runtime/Signal.h"

#include <string>

// What one /probe gives back.
struct ProbeAnswer {
    std::string page; // the device's series, then vantrex_probe_success and vantrex_probe_duration_seconds
    bool success = false; // a complete reading
    double seconds = 0;
};

// Reads the device once, as vantrex-status does, within the query's limit; stop ends it early.
ProbeAnswer RunProbe(const ProbeQuery& query, const HealthLimits& limits, const CSignal& stop);
