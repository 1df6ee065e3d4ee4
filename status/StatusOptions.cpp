#include "StatusOptions.h"

#include "connect/DottedAddress.h"

#include <CLI/CLI.hpp>

#include <fstream>

namespace {

constexpr int kUnknown = static_cast<int>(Severity::Unknown);

// Reads one address a line; '#' starts a comment, blank lines are skipped.
std::vector<std::string> ReadAddressFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        throw CLI::ValidationError("--from", "cannot read '" + path + "'");
    }
    std::vector<std::string> addresses;
    std::string line;
    while (std::getline(file, line)) {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            addresses.push_back(line);
        }
    }
    return addresses;
}

// Only dotted addresses are taken: a name would need DNS, and nothing but what is named is contacted.
DeviceAddress CheckedAddress(const std::string& text) {
    const std::optional<Octets> octets = ParseDottedAddress(text);
    if (!octets) {
        throw CLI::ValidationError("ADDRESS", "'" + text + "' is not a dotted IPv4 address");
    }
    return {FormatDottedAddress(*octets), AddressValue(*octets)};
}

ParsedOptions Ending(std::string message, int exitStatus) {
    ParsedOptions parsed;
    parsed.message = std::move(message);
    parsed.exitStatus = exitStatus;
    return parsed;
}

std::chrono::milliseconds Milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0 + 0.5));
}

} // namespace

ParsedOptions ParseStatusOptions(int argc, const char* const* argv) {
    CLI::App app{
        "Reads the health of VANTREX time servers: device clock, GPS lock, time sync, MAC state, and an "
        "independent NTP check.",
        "vantrex-status"};
    app.set_version_flag("--version", std::string("vantrex-status ") + VANTREX_VERSION);
    std::vector<std::string> addresses;
    std::string fromFile;
    bool json = false;
    bool nagios = false;
    bool noNtp = false;
    bool ntp = false;
    double timeoutSeconds = 15;
    double watchSeconds = 0;
    int parallel = 64;
    int ntpPort = 123;
    StatusOptions options;
    app.add_option("ADDRESS", addresses, "device addresses (dotted IPv4)");
    app.add_option("--from", fromFile, "read addresses from FILE, one a line, '#' comments");
    auto* jsonFlag = app.add_flag("--json", json, "JSON Lines, one object per device");
    app.add_flag("--nagios", nagios, "monitoring-plugin output and exit status")->excludes(jsonFlag);
    app.add_option("--prometheus", options.prometheusPath, "also write a Prometheus textfile to FILE");
    app.add_option("--timeout", timeoutSeconds, "seconds for a complete reading (default 15)")
        ->check(CLI::PositiveNumber);
    app.add_option("--warn", options.limits.warnSeconds, "clock offset in seconds for WARNING (default 1)")
        ->check(CLI::PositiveNumber);
    app.add_option("--crit", options.limits.critSeconds, "clock offset in seconds for CRITICAL (default 5)")
        ->check(CLI::PositiveNumber);
    app.add_option("--parallel", parallel, "devices read at once (default 64)")->check(CLI::Range(1, 4096));
    app.add_option("--watch", watchSeconds, "report every SECONDS until interrupted")
        ->check(CLI::PositiveNumber);
    auto* noNtpFlag = app.add_flag("--no-ntp", noNtp, "skip the NTP check");
    app.add_flag("--ntp", ntp, "check the time service over NTP (the default)")->excludes(noNtpFlag);
    app.add_option("--ntp-port", ntpPort, "UDP port of the NTP check (default 123)")
        ->check(CLI::Range(1, 65535));
    try {
        app.parse(argc, argv);
        if (!fromFile.empty()) {
            for (std::string& address : ReadAddressFile(fromFile)) {
                addresses.push_back(std::move(address));
            }
        }
        if (addresses.empty()) {
            throw CLI::ValidationError("ADDRESS", "no device address given");
        }
        if (nagios && watchSeconds > 0) {
            throw CLI::ValidationError("--nagios", "a check reports once; it cannot --watch");
        }
        for (const std::string& address : addresses) {
            options.devices.push_back(CheckedAddress(address));
        }
    } catch (const CLI::CallForVersion& version) {
        return Ending(version.what() + std::string("\n"), 0);
    } catch (const CLI::Success&) {
        return Ending(app.help(), 0);
    } catch (const CLI::ParseError& error) {
        return Ending("vantrex-status: " + std::string(error.what()) +
                          "\nRun with --help for more information.\n",
                      kUnknown);
    }
    options.format = json ? OutputFormat::Json : nagios ? OutputFormat::Nagios : OutputFormat::Lines;
    options.fleet.probe.timeout = Milliseconds(timeoutSeconds);
    options.fleet.probe.ntp = !noNtp;
    options.fleet.probe.ntpPort = static_cast<unsigned short>(ntpPort);
    options.fleet.parallel = static_cast<std::size_t>(parallel);
    options.fleet.watchInterval = Milliseconds(watchSeconds);
    ParsedOptions parsed;
    parsed.options = std::move(options);
    return parsed;
}
