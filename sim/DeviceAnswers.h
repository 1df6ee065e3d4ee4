#pragma once

#include "DeviceClock.h"

#include <optional>
#include <string>

// The getdate answer line: "<seconds>.<6-digit microseconds> <letter>" and CR LF.
std::string FormatGetdateAnswer(DeviceTime time, char letter);

// An ntpq -p peer table of three peers; systemPeer 1 to 3 marks that line with systemTally ('*', or 'o'
// for a pulse per second), 0 marks none. The system peer shows systemReach and systemJitterMs when they
// are set, the healthy table's values else.
std::string FormatPeerTable(int systemPeer, char systemTally, std::optional<unsigned> systemReach,
                            std::optional<double> systemJitterMs);

// The text that answers a command when the device never returns to its prompt: longer than any
// receive buffer of the tool, and free of prompts and of the tool's answer markers.
std::string LongAnswer();
