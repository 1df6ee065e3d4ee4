#include "BenchSim.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// The options that turn the sim's ports off; nullopt when the ports cannot be had.
std::optional<std::vector<std::string>> PortOptions(SimPorts ports, const char* address) {
    const bool telnetAllowed = CanBindTelnetPort();
    switch (ports) {
    case SimPorts::ShellAndTelnet:
        if (telnetAllowed) {
            return std::vector<std::string>{};
        }
        std::printf("note: port 23 needs root; the simulated device on %s offers the shell port only\n",
                    address);
        return std::vector<std::string>{"--telnet-port", "0"};
    case SimPorts::ShellOnly:
        return std::vector<std::string>{"--telnet-port", "0"};
    case SimPorts::TelnetOnly:
        if (telnetAllowed) {
            return std::vector<std::string>{"--shell-port", "0"};
        }
        std::fprintf(stderr, "port 23 needs root: no telnet-only simulated device on %s\n", address);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

bool StartBenchSim(CSimProcess& sim, const char* address, SimPorts ports,
                   const std::vector<std::string>& more) {
    const auto portOptions = PortOptions(ports, address);
    if (!portOptions) {
        return false;
    }
    std::vector<std::string> options{"--address", address};
    options.insert(options.end(), portOptions->begin(), portOptions->end());
    options.insert(options.end(), more.begin(), more.end());
    if (sim.Start(options)) {
        return true;
    }
    std::fprintf(stderr, "the simulated device did not start on %s: %s\n", address,
                 sim.ErrorOutput().c_str());
    return false;
}
