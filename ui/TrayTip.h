#pragma once

#include "resources/StringLookup.h"

#include "link/LinkState.h"

#include <cstddef>
#include <string>

// How the window's device stands, for the tip of its notification-area icon.
struct TrayState {
    enum class Phase { NotConnected, Connecting, Connected, Lost, Restarting };
    Phase phase = Phase::NotConnected;
    std::string address; // the device's; empty before any
    IndicatorState gps;  // the lamps while connected, nothing until read
    IndicatorState timeSync;
    std::size_t problems = 0; // problems that are news of their own
};

// The tip: the window's title, then the device and its state ("192.168.42.7: GPS lock lost").
std::string TrayTip(const TrayState& state, const StringLookup& strings);
