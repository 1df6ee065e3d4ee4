#pragma once

#include "Logger.h"
#include "WebSettings.h"

#include "connect/Ipv4Network.h"

#include "fleet/FleetRun.h"
#include "report/ParsedCommandLine.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Everything the exporter's command line asks for.
struct ExporterOptions {
    std::string listenAddress = "127.0.0.1"; // dotted IPv4 or IPv6 text; "::" takes both
    int listenPort = 9716;
    std::vector<Network> allow;             // where /probe may reach, besides the listed devices
    std::vector<DeviceAddress> devices;     // given as arguments: watched, and open to /probe
    std::string fromPath;                   // empty: none; read again on reload
    std::vector<DeviceAddress> fromDevices; // as it listed them at the start
    std::size_t maxProbes = 64;
    std::size_t maxConnections = 16384;         // client connections at once, as descriptors allow
    std::size_t maxConnectionsPerClient = 2048; // from one client address
    // The fleet's watch, and the defaults of each /probe (its time limit, NTP check and port).
    FleetSettings fleet;
    std::string webConfigPath;               // empty: plain HTTP for everyone; read again on reload
    std::shared_ptr<const CWebSettings> web; // as read at the start
    bool enableLifecycle = false;            // POST /-/reload
    LogLevel logLevel = LogLevel::Info;
    LogFormat logFormat = LogFormat::Logfmt;
};

// The parse's outcome: options to run with, or a text to print and the exit status to end with
// (--help and --version: 0 on stdout; bad input: 2 on stderr).
using ParsedExporterOptions = ParsedCommandLine<ExporterOptions>;

ParsedExporterOptions ParseExporterOptions(int argc, const char* const* argv);
