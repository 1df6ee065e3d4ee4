#include "StatusOptions.h"

#include "connect/DottedAddress.h"
#include "devicetext/DeviceText.h"
#include "fleet/DeviceList.h"
#include "health/PluginRange.h"
#include "report/CommandLineChecks.h"
#include "report/NagiosOutput.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr std::size_t kLongestMessage = 400;
// Longer than any run is meant to wait, and small enough for the millisecond arithmetic.
constexpr double kLongestWait = 86400;
// The most devices --parallel reads at once: every one of the largest fleet one process reads.
constexpr int kMostParallel = 65536;

std::string Quoted(std::string_view text) {
    return "'" + OutsideText(text, kLongestEcho) + "'";
}

// What --from takes for standard input.
constexpr std::string_view kStandardInput = "-";

// Names under .invalid never resolve (RFC 6761), and a resolver that does not know it would ask DNS.
bool IsInvalidName(std::string_view name) {
    constexpr std::string_view kInvalid = ".invalid";
    if (name.ends_with('.')) {
        name.remove_suffix(1);
    }
    const std::string_view tail = name.substr(name.size() - std::min(name.size(), kInvalid.size()));
    return name.size() > kInvalid.size() &&
           std::equal(tail.begin(), tail.end(), kInvalid.begin(), kInvalid.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// A name that -H gives, looked up as monitoring plugins look up their host.
DeviceAddress ResolvedHost(std::string_view name, const HostResolver& resolve) {
    std::string reason = "a reserved name that never resolves";
    const std::optional<std::uint32_t> value =
        IsInvalidName(name) ? std::nullopt : resolve(std::string(name), reason);
    if (!value) {
        throw CLI::ValidationError("-H", "cannot resolve " + Quoted(name) + ": " +
                                             OutsideText(reason, kLongestEcho));
    }
    const std::string address = FormatDottedAddress(OctetsOf(*value));
    std::string refusal;
    if (!ParseDeviceAddress(address, refusal)) {
        throw CLI::ValidationError("-H", Quoted(name) + " resolves to " + address + ", which " + refusal);
    }
    return {address, *value};
}

// With -H a host name, resolved to its IPv4 address: arguments and files are taken as written, so that
// nothing but what is named is contacted.
AddressLookup HostLookup(const HostResolver& resolve) {
    return [&resolve](const ListedAddress& address) -> std::optional<DeviceAddress> {
        if (address.option != std::string_view("-H")) {
            return std::nullopt;
        }
        return ResolvedHost(address.text, resolve);
    };
}

// A threshold in the monitoring-plugin range syntax.
CLI::Validator Range() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return ParsePluginRange(text) ? ""
                                          : "takes a range (10, 10:, ~:10, :10, 10:20, @10:20; start not "
                                            "above end), not " +
                                                Quoted(text);
        },
        "");
}

// A network for --discover, by the search's own rules.
CLI::Validator SearchNetwork() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            std::string refusal;
            return ParseSearchNetwork(text, refusal) ? "" : Quoted(text) + " " + refusal;
        },
        "");
}

// What the limit options take, before they are checked against each other.
struct LimitArguments {
    double warnSeconds = 1;
    double critSeconds = 5;
    std::string warnRange;
    std::string critRange;
    double jitterWarnSeconds = 0.005;
    std::optional<double> jitterCritSeconds;
    int reachWarnPolls = 6;
    int reachCritPolls = 0;
    std::optional<int> stratumWarn;
    std::optional<int> stratumCrit;
    std::string unreachable = "critical";
};

void AddLimitOptions(CLI::App& app, LimitArguments& given) {
    // A limit finer than the microseconds of a reading could not be told from 0; a coarser one than a
    // billion seconds (31 years) from none.
    auto* warnLimit =
        app.add_option("--warn", given.warnSeconds,
                       "clock and NTP offset in seconds for WARNING (1e-06 to 1e+09, default 1)")
            ->check(NumberWithin(1e-6, 1e9));
    auto* critLimit =
        app.add_option("--crit", given.critSeconds,
                       "clock and NTP offset in seconds for CRITICAL (1e-06 to 1e+09, default 5)")
            ->check(NumberWithin(1e-6, 1e9));
    app.add_option("-w", given.warnRange,
                   "the WARNING limit as a range of the offsets' size in seconds (10, 10:, "
                   "~:10, :10, 10:20, @10:20); not with --warn")
        ->check(Range())
        ->excludes(warnLimit);
    app.add_option("-c", given.critRange, "the CRITICAL limit as such a range; not with --crit")
        ->check(Range())
        ->excludes(critLimit);
    // The table gives jitter to the microsecond, in milliseconds up to a billion.
    app.add_option("--jitter-warn", given.jitterWarnSeconds,
                   "the system peer's jitter in seconds for WARNING (1e-06 to 1e+06, default 0.005)")
        ->check(NumberWithin(1e-6, 1e6));
    app.add_option("--jitter-crit", given.jitterCritSeconds,
                   "the system peer's jitter in seconds for CRITICAL (1e-06 to 1e+06, default none)")
        ->check(NumberWithin(1e-6, 1e6));
    app.add_option("--reach-warn", given.reachWarnPolls,
                   "WARNING when the system peer answered fewer of its last 8 polls (0 to 8, default 6)")
        ->check(NumberWithin(0, 8, true));
    app.add_option("--reach-crit", given.reachCritPolls,
                   "CRITICAL when the system peer answered fewer of its last 8 polls (0 to 8, default 0)")
        ->check(NumberWithin(0, 8, true));
    app.add_option("--stratum-warn", given.stratumWarn,
                   "WARNING when the served stratum is above N (1 to 15)")
        ->check(NumberWithin(1, 15, true));
    app.add_option("--stratum-crit", given.stratumCrit,
                   "CRITICAL when the served stratum is above N (1 to 15; outside 1 to 15 always is)")
        ->check(NumberWithin(1, 15, true));
    app.add_option("--unreachable", given.unreachable,
                   "what a device not read (refused, silent, timed out) counts as: critical (the default) "
                   "or unknown")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return text == "critical" || text == "unknown"
                           ? ""
                           : "takes critical or unknown, not " + Quoted(text);
            },
            ""));
}

// Refuses a WARNING limit that lies beyond its CRITICAL one: above it for a value that is worse the
// higher it is, below it for one that is worse the lower.
void CheckOrder(const char* warnOption, double warn, const char* critOption, double crit, const char* unit,
                bool worseHigher = true) {
    if (worseHigher ? warn > crit : warn < crit) {
        char text[160];
        std::snprintf(text, sizeof text, "the WARNING limit %g%s is %s the CRITICAL limit %g%s (%s)", warn,
                      unit, worseHigher ? "above" : "below", crit, unit, critOption);
        throw CLI::ValidationError(warnOption, text);
    }
}

// The limits: -w and -c as ranges, or --warn and --crit as plain limits, which are the ranges "0:S".
HealthLimits Limits(const CLI::App& app, const LimitArguments& given) {
    HealthLimits limits;
    limits.warn = app.count("-w") > 0 ? *ParsePluginRange(given.warnRange) : UpTo(given.warnSeconds);
    limits.crit = app.count("-c") > 0 ? *ParsePluginRange(given.critRange) : UpTo(given.critSeconds);
    limits.jitterWarnSeconds = given.jitterWarnSeconds;
    limits.jitterCritSeconds = given.jitterCritSeconds;
    limits.reachWarnPolls = given.reachWarnPolls;
    limits.reachCritPolls = given.reachCritPolls;
    limits.stratumWarn = given.stratumWarn;
    limits.stratumCrit = given.stratumCrit;
    limits.unreachable = given.unreachable == "unknown" ? Severity::Unknown : Severity::Critical;
    // Only limits from above can be compared: ranges may lie any way about each other.
    if (IsUpperBound(limits.warn) && IsUpperBound(limits.crit)) {
        CheckOrder(app.count("-w") > 0 ? "-w" : "--warn", limits.warn.end,
                   app.count("-c") > 0 ? "-c" : "--crit", limits.crit.end, " s");
    }
    if (limits.jitterCritSeconds) {
        CheckOrder("--jitter-warn", limits.jitterWarnSeconds, "--jitter-crit", *limits.jitterCritSeconds,
                   " s");
    }
    CheckOrder("--reach-warn", limits.reachWarnPolls, "--reach-crit", limits.reachCritPolls, " polls", false);
    if (limits.stratumWarn && limits.stratumCrit) {
        CheckOrder("--stratum-warn", *limits.stratumWarn, "--stratum-crit", *limits.stratumCrit, "");
    }
    return limits;
}

// Whether the command line asks for plugin output, however it fails otherwise: a monitoring host reads
// only standard output, and shows "(null)" for nothing.
bool AsksForPluginOutput(int argc, const char* const* argv) {
    for (int index = 1; index < argc && std::string_view(argv[index]) != "--"; ++index) {
        if (std::string_view(argv[index]) == "--nagios") {
            return true;
        }
    }
    return false;
}

// Bad input: a short message on stderr, or the plugin's UNKNOWN status line on stdout.
ParsedOptions Refusal(const std::string& reason, bool plugin) {
    if (plugin) {
        ParsedOptions parsed = ParsedOptions::Ending(FormatNagiosFailure(reason), kUnknownExitStatus);
        parsed.messageToStdout = true;
        return parsed;
    }
    return ParsedOptions::Ending("vantrex-status: " + reason + "\nRun with --help for more information.\n",
                                 kUnknownExitStatus);
}

// For the manual page: what each figure of the plugin output is, beside a plain NTP check's.
constexpr const char* kFooter =
    "The plugin output's offset is the device clock read over its shell (getdate) against this PC's "
    "clock; ntp_offset is the device's time service against this PC's clock, what check_ntp_time calls "
    "offset. Both are held to -w/-c (--warn/--crit).";

std::chrono::milliseconds Milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0 + 0.5));
}

} // namespace

ParsedOptions ParseStatusOptions(int argc, const char* const* argv, const HostResolver& resolve) {
    CLI::App app{
        "Reads the health of VANTREX time servers: device clock, GPS lock, time sync, MAC state, and an "
        "independent NTP check.",
        "vantrex-status"};
    app.footer(kFooter);
    app.set_version_flag("-V,--version", std::string("vantrex-status ") + VANTREX_VERSION);
    std::vector<std::string> arguments;
    std::vector<std::string> hosts;
    std::string fromFile;
    std::string discoverNetwork;
    bool json = false;
    bool nagios = false;
    bool noNtp = false;
    bool ntp = false;
    double timeoutSeconds = std::chrono::duration<double>(kDefaultReadingLimit).count();
    double watchSeconds = 0;
    double deadlineSeconds = 0;
    int parallel = kMostParallel;
    int ntpPort = 123;
    LimitArguments limitArguments;
    StatusOptions options;
    auto* addressOption = app.add_option("ADDRESS", arguments, "device addresses (dotted IPv4)");
    auto* hostOption =
        app.add_option("-H,--host", hosts,
                       "a device address (dotted IPv4), or a host name resolved to IPv4; may be given again")
            ->allow_extra_args(false);
    auto* fromOption =
        app.add_option("--from", fromFile,
                       "read addresses from FILE (at most 4 MiB; - for standard input), one a line, "
                       "'#' comments");
    auto* jsonFlag = app.add_flag("--json", json, "JSON Lines, one object per device");
    auto* nagiosFlag =
        app.add_flag("--nagios", nagios, "monitoring-plugin output and exit status")->excludes(jsonFlag);
    auto* prometheusOption =
        app.add_option("--prometheus", options.prometheusPath, "also write a Prometheus textfile to FILE");
    app.add_option("--timeout", timeoutSeconds,
                   "seconds for each device's whole reading, NTP check included (" + ReadingTimes() + ", " +
                       DefaultReadingTime() + ")")
        ->check(ReadingTime());
    app.add_option("-t,--deadline", deadlineSeconds,
                   "seconds for the whole run (" + ReadingTimes() +
                       ", default none); devices not read by then are reported as timed out, or as not read "
                       "when started too late to finish")
        ->check(ReadingTime());
    AddLimitOptions(app, limitArguments);
    app.add_flag("-v,--verbose", options.verbosity,
                 "with --nagios, each device's whole reading; -vvv also the dialogue with each device on "
                 "stderr");
    auto* parallelOption = app.add_option("--parallel", parallel,
                                          "devices read at once (1 to " + std::to_string(kMostParallel) +
                                              ", default as many as the limit of open files allows)")
                               ->check(NumberWithin(1, kMostParallel, true));
    auto* watchOption =
        app.add_option(
               "--watch", watchSeconds,
               "report every SECONDS (0.001 to 86400) until interrupted; each device's NTP service is "
               "asked at most every " +
                   std::to_string(kShortestNtpPoll.count()) + " s")
            ->check(NumberWithin(0.001, kLongestWait));
    app.add_option("--discover", discoverNetwork,
                   "search NETWORK (A.B.C.D/N, a /22 at most) for devices instead: one line, or JSON object, "
                   "per address whose shell or telnet port answers")
        ->check(SearchNetwork())
        ->excludes(addressOption, hostOption, fromOption, nagiosFlag, prometheusOption, watchOption);
    auto* noNtpFlag = app.add_flag("--no-ntp", noNtp, "skip the NTP check");
    app.add_flag("--ntp", ntp, "check the time service over NTP (the default)")->excludes(noNtpFlag);
    app.add_option("--ntp-port", ntpPort, "UDP port of the NTP check (default 123)")
        ->check(NumberWithin(1, 65535, true));
    try {
        app.parse(argc, argv);
        std::vector<ListedAddress> addresses;
        for (const std::string& host : hosts) {
            addresses.push_back({host, 0, "-H"});
        }
        for (const std::string& argument : arguments) {
            addresses.push_back({argument, 0});
        }
        std::string fileText;
        if (app.count("--from") > 0) {
            // Only a run reads standard input: the exporter reads its list again on every reload.
            fileText = fromFile == kStandardInput ? ReadAddressStream(stdin, 0, "standard input")
                                                  : ReadAddressFile(fromFile);
            const std::vector<ListedAddress> listed = AddressLines(fileText);
            addresses.insert(addresses.end(), listed.begin(), listed.end());
        }
        if (app.count("--discover") > 0) {
            // Its validator has refused every text that this parse would refuse.
            std::string refusal;
            options.discover = ParseSearchNetwork(discoverNetwork, refusal);
        } else if (addresses.empty()) {
            throw CLI::ValidationError("ADDRESS", "no device address given");
        }
        if (nagios && watchSeconds > 0) {
            throw CLI::ValidationError("--nagios", "a check reports once; it cannot --watch");
        }
        if (deadlineSeconds > 0 && watchSeconds > 0) {
            throw CLI::ValidationError("--deadline", "a watch runs until interrupted; it has no deadline");
        }
        options.limits = Limits(app, limitArguments);
        options.devices = CheckedDevices(addresses, fromFile, HostLookup(resolve));
    } catch (const CLI::CallForVersion& version) {
        return ParsedOptions::Ending(version.what() + std::string("\n"), 0);
    } catch (const CLI::Success&) {
        return ParsedOptions::Ending(app.help(), 0);
    } catch (const DeviceListError& error) {
        return Refusal(
            OutsideText(CLI::ValidationError(error.Option(), error.what()).what(), kLongestMessage),
            AsksForPluginOutput(argc, argv));
    } catch (const CLI::ParseError& error) {
        // CLI11's own messages repeat what was given as it was; ours are cut and escaped already.
        return Refusal(OutsideText(error.what(), kLongestMessage), AsksForPluginOutput(argc, argv));
    }
    // The levels of the plugin guidelines end at 3; more asks for no more than all there is.
    options.verbosity = std::min(options.verbosity, 3);
    options.format = json ? OutputFormat::Json : nagios ? OutputFormat::Nagios : OutputFormat::Lines;
    options.fleet.probe.timeout = Milliseconds(timeoutSeconds);
    options.fleet.probe.ntp = !noNtp;
    options.fleet.probe.ntpPort = static_cast<unsigned short>(ntpPort);
    options.fleet.parallel = static_cast<std::size_t>(parallel);
    options.parallelGiven = parallelOption->count() > 0;
    options.fleet.watchInterval = Milliseconds(watchSeconds);
    options.fleet.deadline = Milliseconds(deadlineSeconds);
    ParsedOptions parsed;
    parsed.options = std::move(options);
    return parsed;
}
