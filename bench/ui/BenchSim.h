#pragma once

#include "tests/support/SimProcess.h"

// The ports the simulated device offers: both, so that the two links race as against a real device,
// or one alone, so that its link always wins.
enum class SimPorts { ShellAndTelnet, ShellOnly, TelnetOnly };

#include <string>
#include <vector>

// Starts the simulated device on address, on real UTC time, with ports and more options; without the
// right to bind port 23, ShellAndTelnet offers the shell port alone and TelnetOnly fails. Prints why on
// failure.
bool StartBenchSim(CSimProcess& sim, const char* address, SimPorts ports = SimPorts::ShellAndTelnet,
                   const std::vector<std::string>& more = {});
