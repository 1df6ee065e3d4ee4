#pragma once

#include "runtime/TcpClient.h"

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
    StateLinkReset = 6, // the device reset the connection
};

// A lamp reading: on, off, or nothing while not known. The health rules, the device log and the
// programs' outputs take the lamps in this same type (std::optional<bool>).
using IndicatorState = std::optional<bool>;

// The end of a run whose receive failed with error (CTcpClient::LastError).
inline LinkState ReceiveFailure(int error) {
    return error == kErrorConnectionReset ? StateLinkReset : StateReceiveFailed;
}

inline constexpr unsigned short kShellPort = 5316;
inline constexpr unsigned short kTelnetPort = 23;
