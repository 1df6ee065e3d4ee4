#pragma once

#include <optional>

// Progress of one run of a device link, as the link reports it.
enum LinkState : int {
    StateReceiveFailed = -1, // a receive failed; also the unreported value a run starts with
    StateStarting = 0,
    StateSocketFailed = 1,
    StateConnectFailed = 2,
    StateLinkClosed = 3,
    StateSilent = 4,
    StateReady = 5,
};

// A lamp reading: on, off, or nothing while not known. The health rules, the device log and the
// programs' outputs take the lamps in this same type (std::optional<bool>).
using IndicatorState = std::optional<bool>;

inline constexpr unsigned short kShellPort = 5316;
inline constexpr unsigned short kTelnetPort = 23;
