#include "ExporterOptions.h"
#include "ProbeQuery.h"

#include "connect/DottedAddress.h"
#include "devicetext/DeviceText.h"
#include "fleet/DeviceList.h"
#include "report/CommandLineChecks.h"

#include <CLI/CLI.hpp>

namespace {

constexpr int kBadUsage = 2;
constexpr std::size_t kLongestMessage = 400;
constexpr double kLongestWait = 86400;
// The most listed devices --parallel keeps connected at once: every one of the largest fleet one process
// serves.
constexpr int kMostParallel = 65536;

std::chrono::milliseconds Milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0 + 0.5));
}

// An IPv6 address as text: what the listener takes, checked there in full.
bool LooksLikeIpv6(std::string_view text) {
    return !text.empty() && text.size() <= 45 && text.find(':') != std::string_view::npos &&
           text.find_first_not_of("0123456789abcdefABCDEF:.") == std::string_view::npos;
}

// "ADDR:PORT": a dotted address, or 0.0.0.0 for every interface, or an IPv6 address in brackets ("[::]"
// for every interface, IPv4 included), and a port from 1 to 65535.
void ParseListen(const std::string& text, ExporterOptions& options) {
    const std::size_t colon = text.rfind(':');
    std::string address = text.substr(0, colon);
    const bool bracketed = address.size() > 2 && address.front() == '[' && address.back() == ']';
    if (bracketed) {
        address = address.substr(1, address.size() - 2);
    }
    const bool portValid =
        colon != std::string::npos && NumberWithin(1, 65535, true)(text.substr(colon + 1)).empty();
    const bool addressValid =
        bracketed ? LooksLikeIpv6(address) : address == "0.0.0.0" || ParseDottedAddress(address);
    if (!portValid || !addressValid) {
        throw CLI::ValidationError("--listen", "takes ADDRESS:PORT (dotted IPv4 or 0.0.0.0 for every IPv4 "
                                               "interface; [IPv6] or [::] for every interface), not '" +
                                                   OutsideText(text, kLongestEcho) + "'");
    }
    options.listenAddress =
        bracketed || address == "0.0.0.0" ? address : FormatDottedAddress(*ParseDottedAddress(address));
    options.listenPort = std::stoi(text.substr(colon + 1));
}

// The web configuration file, TLS context made: a file that will not do is a bad option, found at the
// start rather than by the first client.
std::shared_ptr<const CWebSettings> LoadWebSettings(const std::string& path) {
    if (path.empty()) {
        return std::make_shared<const CWebSettings>();
    }
    std::string error;
    std::shared_ptr<const CWebSettings> settings = CWebSettings::Load(path, error);
    if (!settings) {
        throw CLI::ValidationError("--web.config.file", error);
    }
    return settings;
}

std::optional<DeviceAddress> ParseDevice(std::string_view text) {
    std::string refusal;
    const std::optional<Octets> octets = ParseDeviceAddress(text, refusal);
    return octets ? std::optional<DeviceAddress>({FormatDottedAddress(*octets), AddressValue(*octets)})
                  : std::nullopt;
}

// Each text as parse reads it; what it cannot read is refused for option, which takes `expected`.
template <typename Value>
std::vector<Value> EachParsed(const std::vector<std::string>& texts,
                              std::optional<Value> (*parse)(std::string_view), const char* option,
                              const char* expected) {
    std::vector<Value> values;
    for (const std::string& text : texts) {
        const std::optional<Value> value = parse(text);
        if (!value) {
            throw CLI::ValidationError(option, std::string("takes ") + expected + ", not '" +
                                                   OutsideText(text, kLongestEcho) + "'");
        }
        values.push_back(*value);
    }
    return values;
}

} // namespace

ParsedExporterOptions ParseExporterOptions(int argc, const char* const* argv) {
    CLI::App app{"Serves the health of VANTREX time servers to Prometheus: the listed devices kept connected "
                 "on /metrics, and one device on demand on /probe?target=ADDRESS.",
                 "vantrex-exporter"};
    app.set_version_flag("-V,--version", std::string("vantrex-exporter ") + VANTREX_VERSION);
    ExporterOptions options;
    std::string listen = "127.0.0.1:9716";
    std::vector<std::string> allow;
    std::vector<std::string> arguments;
    double timeoutSeconds = std::chrono::duration<double>(kDefaultReadingLimit).count();
    double intervalSeconds = 10;
    int maxProbes = 64;
    int maxConnections = 16384;
    int maxConnectionsPerClient = 2048;
    // Every listed device kept connected, as far as the descriptors allow; more are read in turns.
    int parallel = kMostParallel;
    int ntpPort = 123;
    bool noNtp = false;
    app.add_option("ADDRESS", arguments, "devices to keep connected and report on /metrics (dotted IPv4)");
    app.add_option("--from", options.fromPath,
                   "also the devices listed in FILE, one a line, '#' comments; read again on SIGHUP");
    app.add_option(
        "--listen", listen,
        "ADDRESS:PORT to serve on: dotted IPv4, or IPv6 in brackets ([::] for every interface, IPv4 "
        "included; default 127.0.0.1:9716)");
    app.add_option("--allow", allow,
                   "a network A.B.C.D/N that /probe may reach besides the listed devices; may be given "
                   "again. Without it and without devices, /probe refuses every target")
        ->allow_extra_args(false);
    app.add_option("--max-probes", maxProbes,
                   "probes at once; more are refused with 503 (1 to 4096, default 64)")
        ->check(NumberWithin(1, 4096, true));
    app.add_option("--max-connections", maxConnections,
                   "client connections at once, fewer where the limit of open files allows no more; more are "
                   "closed at once (16 to 1048576, default 16384)")
        ->check(NumberWithin(16, 1048576, true));
    app.add_option("--max-connections-per-client", maxConnectionsPerClient,
                   "client connections at once from one address; a scraper keeps one a target (1 to 1048576, "
                   "default 2048)")
        ->check(NumberWithin(1, 1048576, true));
    app.add_option("--timeout", timeoutSeconds,
                   "seconds for a device's whole reading, NTP check included, when the scraper gives no time "
                   "limit; also the most a scraper's limit may ask (3.5 to 60, " +
                       DefaultReadingTime() + ")")
        ->check(NumberWithin(kShortestProbeSeconds, kLongestProbeSeconds));
    app.add_option("--interval", intervalSeconds,
                   "seconds between updates of the listed devices' state (1 to 86400, default 10)")
        ->check(NumberWithin(1, kLongestWait));
    app.add_option("--parallel", parallel,
                   "listed devices connected at once; more are read in turns (1 to " +
                       std::to_string(kMostParallel) + ", default as many as the limit of open files allows)")
        ->check(NumberWithin(1, kMostParallel, true));
    app.add_flag("--no-ntp", noNtp, "skip the NTP check (a probe may ask for it with &no_ntp=0)");
    app.add_option("--ntp-port", ntpPort, "UDP port of the NTP check (default 123)")
        ->check(NumberWithin(1, 65535, true));
    app.add_option(
        "--web.config.file", options.webConfigPath,
        "a web configuration file as Prometheus exporters take it: TLS (tls_server_config) and basic "
        "authentication (basic_auth_users, bcrypt); read again on SIGHUP");
    app.add_flag("--web.enable-lifecycle", options.enableLifecycle,
                 "answer POST /-/reload, which reads --from and --web.config.file again as SIGHUP does");
    std::string logLevel = "info";
    std::string logFormat = "logfmt";
    app.add_option("--log.level", logLevel,
                   "the least level logged: debug (every request), info, warn or error (default info)")
        ->check(CLI::IsMember({"debug", "info", "warn", "error"}));
    app.add_option("--log.format", logFormat, "logfmt or json (default logfmt)")
        ->check(CLI::IsMember({"logfmt", "json"}));
    try {
        app.parse(argc, argv);
        ParseListen(listen, options);
        options.allow = EachParsed(allow, ParseNetwork, "--allow", "a network A.B.C.D/N or an address");
        options.devices = EachParsed(arguments, ParseDevice, "ADDRESS", kDeviceAddressExpected);
        std::string reason;
        std::optional<std::vector<DeviceAddress>> listed = std::vector<DeviceAddress>();
        if (!options.fromPath.empty()) {
            listed = ReadDeviceFile(options.fromPath, reason);
        }
        if (!listed) {
            throw CLI::ValidationError("--from", reason);
        }
        options.fromDevices = *listed;
        options.web = LoadWebSettings(options.webConfigPath);
    } catch (const CLI::CallForVersion& version) {
        return ParsedExporterOptions::Ending(version.what() + std::string("\n"), 0);
    } catch (const CLI::Success&) {
        return ParsedExporterOptions::Ending(app.help(), 0);
    } catch (const CLI::ParseError& error) {
        return ParsedExporterOptions::Ending(
            "vantrex-exporter: " + OutsideText(error.what(), kLongestMessage) +
                "\nRun with --help for more information.\n",
            kBadUsage);
    }
    options.maxProbes = static_cast<std::size_t>(maxProbes);
    options.maxConnections = static_cast<std::size_t>(maxConnections);
    options.maxConnectionsPerClient = static_cast<std::size_t>(maxConnectionsPerClient);
    options.fleet.probe.timeout = Milliseconds(timeoutSeconds);
    options.fleet.probe.ntp = !noNtp;
    options.fleet.probe.ntpPort = static_cast<unsigned short>(ntpPort);
    options.fleet.watchInterval = Milliseconds(intervalSeconds);
    options.fleet.parallel = static_cast<std::size_t>(parallel);
    options.logLevel = *ParseLogLevel(logLevel);
    options.logFormat = *ParseLogFormat(logFormat);
    ParsedExporterOptions parsed;
    parsed.options = std::move(options);
    return parsed;
}
