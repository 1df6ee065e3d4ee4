#pragma once

#include "resources/StringLookup.h"

#include "link/LinkState.h"

#include <cstdint>
#include <optional>
#include <string>

// What the active link reports on one refresh tick.
struct StatusReading {
    std::int64_t deviceTime = 0; // whole seconds since 1970-01-01 UTC; 0 when unknown
    bool macUnassigned = false;
    IndicatorState timeSync;
    IndicatorState gps;
    std::string firmwareVersion; // empty until the device has told it
};

// How the address change panel must change on this tick.
enum class PanelTransition { None, Enable, Disable };

// Everything one refresh tick shows.
struct StatusView {
    std::string statusLine;
    std::optional<std::string> localLine; // nothing: the local-time line keeps what it shows
    int timeSyncLampBitmap = 0;
    int gpsLampBitmap = 0;
    std::string versionLine;
    PanelTransition panel = PanelTransition::None;
};

// The lamp bitmap id for a lamp reading: grey when undetermined, red when off, green when on.
int LampBitmapFor(IndicatorState state);

// The view for one tick, given the device's status and whether the panel is enabled now.
StatusView ComputeStatusView(const StatusReading& status, bool panelEnabled, const StringLookup& strings);
