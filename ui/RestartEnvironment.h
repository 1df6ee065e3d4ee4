#pragma once

#include "ChangeNetworkCheck.h"
#include "RestartSchedule.h"

#include <functional>
#include <string>
#include <vector>

// This PC's IPv4 networks: the address and mask of every interface that is up.
using LocalNetworksReader = std::function<std::vector<Ipv4Network>()>;

// What the follow-up of an address change depends on besides the device; tests replace each part.
struct RestartEnvironment {
    RestartTiming timing;
    // This PC's networks, read before every confirmation.
    LocalNetworksReader localNetworks;
    // Every address the window would connect to on its own must pass; one that fails is not followed.
    std::function<bool(const std::string& address)> mayConnectTo = [](const std::string&) { return true; };
    // The clock of the countdown, of the wait for the restart, of how long a clock step is shown and of
    // the pace of the alarms.
    std::function<CRestartSchedule::Clock::time_point()> now = CRestartSchedule::Clock::now;
};
