// vantrex-status's command line as a pure function: the devices and settings it gives, and what it refuses.
// Addresses are in 127.0.77.0/24; nothing is contacted.
#include "status/StatusOptions.h"

#include "health/PluginRange.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <fstream>
#include <tuple>

namespace {

// The names the tests' resolver knows; it never asks the system's, so no test reaches DNS.
constexpr std::uint32_t kGpsClockAddress = (127u << 24) | (77u << 8) | 30u;

// The names the tests' resolver was asked, in order.
std::vector<std::string>& NamesLookedUp() {
    static std::vector<std::string> names;
    return names;
}

std::optional<std::uint32_t> FakeResolve(const std::string& name, std::string& reason) {
    NamesLookedUp().push_back(name);
    if (name == "gps-clock.example") {
        return kGpsClockAddress;
    }
    reason = "Name or service not known";
    return std::nullopt;
}

ParsedOptions Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vantrex-status");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    return ParseStatusOptions(static_cast<int>(argv.size()), argv.data(), &FakeResolve);
}

// A file of the given bytes for one test; "FILE" in the arguments names it.
class AddressFile {
public:
    explicit AddressFile(const std::string& text) { std::ofstream(m_path, std::ios::binary) << text; }
    ~AddressFile() { std::remove(m_path.c_str()); }
    AddressFile(const AddressFile&) = delete;
    AddressFile& operator=(const AddressFile&) = delete;

    ParsedOptions Parse(std::vector<std::string> arguments) const {
        for (std::string& argument : arguments) {
            argument = argument == "FILE" ? m_path : argument;
        }
        return ::Parse(arguments);
    }

private:
    // ctest runs every test in a process of its own, side by side: each needs a file of its own.
    static std::string UniquePath() {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "." + test->name();
        std::ranges::replace(name, '/', '_');
        return testing::TempDir() + "vantrex-status-options-" + name + ".txt";
    }

    const std::string m_path = UniquePath();
};

std::vector<std::string> DeviceTexts(const ParsedOptions& parsed) {
    std::vector<std::string> texts;
    for (const DeviceAddress& device : parsed.options->devices) {
        texts.push_back(device.text);
    }
    return texts;
}

// format, timeout ms, warn, crit, parallel, watch ms, deadline ms, NTP, NTP port, verbosity, unreachable
using Settings = std::tuple<OutputFormat, long long, std::string, std::string, std::size_t, long long,
                            long long, bool, int, int, Severity>;

struct ValidCase {
    const char* name;
    std::vector<std::string> arguments;
    Settings settings;
};

class StatusValidTest : public ::testing::TestWithParam<ValidCase> {};

TEST_P(StatusValidTest, GivesTheSettingsItAlwaysGave) {
    const ValidCase& c = GetParam();
    const ParsedOptions parsed = Parse(c.arguments);
    ASSERT_TRUE(parsed.options) << parsed.message;
    const StatusOptions& o = *parsed.options;
    EXPECT_EQ(Settings(o.format, o.fleet.probe.timeout.count(), PluginRangeText(o.limits.warn),
                       PluginRangeText(o.limits.crit), o.fleet.parallel, o.fleet.watchInterval.count(),
                       o.fleet.deadline.count(), o.fleet.probe.ntp, o.fleet.probe.ntpPort, o.verbosity,
                       o.limits.unreachable),
              c.settings);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, StatusValidTest,
    ::testing::Values(
        ValidCase{"Defaults",
                  {"127.0.77.1"},
                  {OutputFormat::Lines, 30000, "1", "5", 65536, 0, 0, true, 123, 0, Severity::Critical}},
        ValidCase{
            "Given",
            {"--json", "--timeout", "9.5", "--warn", "0.25", "--crit", "0.25", "--parallel", "4096",
             "--ntp-port", "65535", "--deadline", "30", "--no-ntp", "127.0.77.1"},
            {OutputFormat::Json, 9500, "0.25", "0.25", 4096, 0, 30000, false, 65535, 0, Severity::Critical}},
        // The options the plugin guidelines reserve; -t is --deadline, -v counts up to 3.
        ValidCase{
            "Plugin",
            {"--nagios", "-w", "@10:20", "-c", "30:", "-t", "40", "-vvvv", "--unreachable", "unknown", "-H",
             "127.0.77.1"},
            {OutputFormat::Nagios, 30000, "@10:20", "30:", 65536, 0, 40000, true, 123, 3, Severity::Unknown}},
        ValidCase{"Watch",
                  {"--watch", "0.5", "127.0.77.1"},
                  {OutputFormat::Lines, 30000, "1", "5", 65536, 500, 0, true, 123, 0, Severity::Critical}},
        // An empty start is 0, as the plugins' own range parser takes it.
        ValidCase{"RangeWithoutStart",
                  {"-w", ":0.5", "-c", ":2", "127.0.77.1"},
                  {OutputFormat::Lines, 30000, "0.5", "2", 65536, 0, 0, true, 123, 0, Severity::Critical}}),
    [](const ::testing::TestParamInfo<ValidCase>& info) { return std::string(info.param.name); });

// -H takes a host name, as every plugin's host option does, looked up to its IPv4 address; dotted
// addresses, arguments and files are never looked up, nor is a name under .invalid (RFC 6761).
TEST(StatusOptions, HostOptionTakesANameResolvedToIpv4) {
    NamesLookedUp().clear();
    const ParsedOptions parsed = Parse({"-H", "gps-clock.example", "-H", "127.0.77.31", "127.0.77.32"});
    ASSERT_TRUE(parsed.options) << parsed.message;
    EXPECT_EQ(DeviceTexts(parsed), (std::vector<std::string>{"127.0.77.30", "127.0.77.31", "127.0.77.32"}));
    EXPECT_EQ(parsed.options->devices[0].value, kGpsClockAddress);
    EXPECT_EQ(NamesLookedUp(), std::vector<std::string>{"gps-clock.example"});

    NamesLookedUp().clear();
    for (const char* reserved : {"gps.invalid", "GPS.Invalid."}) {
        const ParsedOptions refused = Parse({"-H", reserved});
        EXPECT_EQ(refused.exitStatus, 3);
        EXPECT_NE(refused.message.find(std::string("-H: cannot resolve '") + reserved +
                                       "': a reserved name that never resolves"),
                  std::string::npos)
            << refused.message;
    }
    EXPECT_EQ(NamesLookedUp(), std::vector<std::string>{});
}

// A monitoring host reads only standard output: bad input in plugin mode is its UNKNOWN status line.
TEST(StatusOptions, PluginModeRefusesWithAnUnknownStatusLineOnStdout) {
    const struct {
        std::vector<std::string> arguments;
        const char* line;
    } cases[] = {
        {{"--nagios", "--bogus", "-H", "127.0.77.1"},
         "VANTREX UNKNOWN - The following argument was not expected: --bogus\n"},
        {{"-H", "127.0.77.1", "--warn", "nan", "--nagios"},
         "VANTREX UNKNOWN - --warn: takes a number from 1e-06 to 1e+09, not 'nan'\n"},
        {{"--nagios", "-H", "no-such-clock.example"},
         "VANTREX UNKNOWN - -H: cannot resolve 'no-such-clock.example': Name or service not known\n"},
        {{"--nagios", "--unreachable", "a|b", "-H", "127.0.77.1"},
         "VANTREX UNKNOWN - --unreachable: takes critical or unknown, not 'a\\x7cb'\n"},
    };
    for (const auto& c : cases) {
        const ParsedOptions parsed = Parse(c.arguments);
        EXPECT_FALSE(parsed.options);
        EXPECT_EQ(parsed.exitStatus, 3);
        EXPECT_TRUE(parsed.messageToStdout);
        EXPECT_EQ(parsed.message, c.line);
    }
    const ParsedOptions plain = Parse({"--bogus", "127.0.77.1"});
    EXPECT_FALSE(plain.messageToStdout);
    EXPECT_TRUE(plain.message.starts_with("vantrex-status: ")) << plain.message;
}

TEST(StatusOptions, JitterLimitDefaultsToFiveMilliseconds) {
    EXPECT_EQ(Parse({"127.0.77.1"}).options->limits.jitterWarnSeconds, 0.005);
    EXPECT_EQ(Parse({"--jitter-warn", "0.02", "127.0.77.1"}).options->limits.jitterWarnSeconds, 0.02);
}

struct ListCase {
    const char* name;
    std::string file;
    std::vector<std::string> arguments;
    std::vector<std::string> devices;
};

class StatusAddressListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(StatusAddressListTest, EachDeviceOnceInTheOrderGiven) {
    const ListCase& c = GetParam();
    const AddressFile file(c.file);
    const ParsedOptions parsed = file.Parse(c.arguments);
    ASSERT_TRUE(parsed.options) << parsed.message;
    EXPECT_EQ(DeviceTexts(parsed), c.devices);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StatusAddressListTest,
    ::testing::Values(ListCase{"Comments",
                               "# the lab\n127.0.77.1  # rack 1\n\n\t127.0.77.2",
                               {"--from", "FILE"},
                               {"127.0.77.1", "127.0.77.2"}},
                      ListCase{"WindowsText",
                               "\xEF\xBB\xBF# lab\r\n127.0.77.1\r\n\r\n127.0.77.2 \r\n",
                               {"--from", "FILE"},
                               {"127.0.77.1", "127.0.77.2"}},
                      ListCase{"HostOptionsFirst",
                               "127.0.77.4",
                               {"127.0.77.1", "-H", "127.0.77.2", "--from", "FILE", "-H", "127.0.77.3"},
                               {"127.0.77.2", "127.0.77.3", "127.0.77.1", "127.0.77.4"}},
                      ListCase{"SameAddressTwice",
                               "127.0.77.001\n127.0.77.3\n127.0.77.2\n",
                               {"127.0.77.2", "127.0.77.1", "127.0.77.01", "--from", "FILE"},
                               {"127.0.77.2", "127.0.77.1", "127.0.77.3"}}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::vector<std::string> arguments;
    const char* message; // follows "vantrex-status: " (or the plugin's "VANTREX UNKNOWN - ")
    std::string file = "";
};

class StatusRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

// Unknown (3) with one short line that names the fault and shows what was given without acting on the
// terminal; with --nagios, the plugin's status line.
TEST_P(StatusRefusalTest, EndsUnknownWithAShortEscapedMessage) {
    const RefusalCase& c = GetParam();
    const AddressFile file(c.file);
    const ParsedOptions parsed = file.Parse(c.arguments);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.exitStatus, 3);
    const std::string first = parsed.message.substr(0, parsed.message.find('\n'));
    EXPECT_TRUE(first.starts_with(parsed.messageToStdout ? "VANTREX UNKNOWN - " : "vantrex-status: "))
        << first;
    EXPECT_NE(first.find(c.message), std::string::npos) << first;
    EXPECT_LT(first.size(), 400u) << first;
    for (const char byte : first) {
        EXPECT_GE(static_cast<unsigned char>(byte), 0x20) << first;
    }
}

const std::string kHuge = "1" + std::string(308, '0');
const std::string kLongLine(100000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Refusals, StatusRefusalTest,
    ::testing::Values(
        RefusalCase{"NanWarn",
                    {"--warn", "nan", "127.0.77.1"},
                    "--warn: takes a number from 1e-06 to 1e+09, not 'nan'"},
        RefusalCase{"NanCrit",
                    {"--crit", "nan", "127.0.77.1"},
                    "--crit: takes a number from 1e-06 to 1e+09, not 'nan'"},
        RefusalCase{"HugeTimeout",
                    {"--timeout", "1e300", "127.0.77.1"},
                    "--timeout: takes a number from 8 to 86400, not '1e300'"},
        RefusalCase{
            "TinyTimeout", {"--timeout", "1e-9", "127.0.77.1"}, "--timeout: takes a number from 8 to 86400"},
        // Says why: a smaller limit fails healthy devices.
        RefusalCase{
            "TimeoutShorterThanAHealthyReading",
            {"--timeout", "3", "127.0.77.1"},
            "--timeout: takes a number from 8 to 86400, not '3' (the device takes one command a second, "
            "and a reading over telnet needs five: a healthy device may take that long)"},
        RefusalCase{"DeadlineShorterThanAHealthyReading",
                    {"-t", "7.9", "127.0.77.1"},
                    "--deadline: takes a number from 8 to 86400, not '7.9' (the device takes one command"},
        RefusalCase{
            "InfiniteTimeout", {"--timeout", "inf", "127.0.77.1"}, "--timeout: takes a number from 8"},
        RefusalCase{
            "TinyWatch", {"--watch", "0.0001", "127.0.77.1"}, "--watch: takes a number from 0.001 to 86400"},
        RefusalCase{"ZeroJitter",
                    {"--jitter-warn", "0", "127.0.77.1"},
                    "--jitter-warn: takes a number from 1e-06 to 1e+06, not '0'"},
        RefusalCase{"ReachBeyondEightPolls",
                    {"--reach-warn", "9", "127.0.77.1"},
                    "--reach-warn: takes a whole number from 0 to 8, not '9'"},
        RefusalCase{
            "StratumZero", {"--stratum-crit", "0", "127.0.77.1"}, "--stratum-crit: takes a whole number"},
        RefusalCase{"NanWatch", {"--watch", "nan", "127.0.77.1"}, "--watch: takes a number"},
        RefusalCase{"HugeWatch", {"--watch", "1e300", "127.0.77.1"}, "--watch: takes a number"},
        RefusalCase{"NanDeadline", {"--deadline", "nan", "127.0.77.1"}, "--deadline: takes a number from 8"},
        RefusalCase{"ShortDeadline", {"--deadline", "1", "127.0.77.1"}, "--deadline: takes a number from 8"},
        RefusalCase{
            "DeadlineOfAWatch", {"--deadline", "9", "--watch", "1", "127.0.77.1"}, "it has no deadline"},
        RefusalCase{"WarnAboveCrit",
                    {"--warn", "3", "--crit", "2", "127.0.77.1"},
                    "WARNING limit 3 s is above the CRITICAL limit 2 s"},
        RefusalCase{"WarnAboveDefaultCrit", {"--warn", "7", "127.0.77.1"}, "above the CRITICAL limit 5 s"},
        RefusalCase{
            "BadRange",
            {"-w", "20:10", "127.0.77.1"},
            "-w: takes a range (10, 10:, ~:10, :10, 10:20, @10:20; start not above end), not '20:10'"},
        RefusalCase{"RangeWithoutNumber", {"-c", "@", "127.0.77.1"}, "-c: takes a range"},
        RefusalCase{"RangeAndPlainLimit", {"-w", "2", "--warn", "1", "127.0.77.1"}, "--warn excludes -w"},
        RefusalCase{"WarnRangeAboveCrit",
                    {"-w", "~:6", "127.0.77.1"},
                    "-w: the WARNING limit 6 s is above the CRITICAL limit 5 s (--crit)"},
        // Every pair of limits in its order: higher is worse but for the polls answered.
        RefusalCase{
            "JitterWarnAboveCrit",
            {"--jitter-warn", "0.01", "--jitter-crit", "0.005", "127.0.77.1"},
            "--jitter-warn: the WARNING limit 0.01 s is above the CRITICAL limit 0.005 s (--jitter-crit)"},
        RefusalCase{
            "ReachWarnBelowCrit",
            {"--reach-warn", "2", "--reach-crit", "6", "127.0.77.1"},
            "--reach-warn: the WARNING limit 2 polls is below the CRITICAL limit 6 polls (--reach-crit)"},
        RefusalCase{"ReachCritAboveDefaultWarn",
                    {"--reach-crit", "7", "127.0.77.1"},
                    "--reach-warn: the WARNING limit 6 polls is below the CRITICAL limit 7 polls"},
        RefusalCase{"StratumWarnAboveCrit",
                    {"--stratum-warn", "10", "--stratum-crit", "5", "127.0.77.1"},
                    "--stratum-warn: the WARNING limit 10 is above the CRITICAL limit 5 (--stratum-crit)"},
        RefusalCase{"Unreachable",
                    {"--unreachable", "warning", "127.0.77.1"},
                    "--unreachable: takes critical or unknown, not 'warning'"},
        RefusalCase{"UnknownHost",
                    {"-H", "gps.local", "127.0.77.1"},
                    "-H: cannot resolve 'gps.local': Name or service not known"},
        RefusalCase{
            "NameAsAnArgument", {"gps-clock.example"}, "ADDRESS: 'gps-clock.example' is not a dotted"},
        RefusalCase{"HugeNumberCut",
                    {"--crit", kHuge, "127.0.77.1"},
                    "not '1000000000000000000000000000000000000000000000000000000000000000…'"},
        RefusalCase{"FractionalParallel",
                    {"--parallel", "2.5", "127.0.77.1"},
                    "--parallel: takes a whole number from 1 to 65536"},
        RefusalCase{"NtpPortBeyond",
                    {"--ntp-port", "65536", "127.0.77.1"},
                    "--ntp-port: takes a whole number from 1 to 65535"},
        RefusalCase{"ControlBytesInAValue", {"--timeout", "\x1b[31m", "127.0.77.1"}, "not '\\x1b[31m'"},
        RefusalCase{"ControlBytesInAnAddress",
                    {"127.0.\x1b]0;x\x07"},
                    "ADDRESS: '127.0.\\x1b]0;x\\x07' is not a dotted"},
        RefusalCase{"ControlBytesInAnOption",
                    {"--bogus\x9b"
                     "2J",
                     "127.0.77.1"},
                    "--bogus\\x9b2J"},
        RefusalCase{"LongLineInTheFile",
                    {"--from", "FILE"},
                    "--from: 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx…' is not a "
                    "dotted IPv4 address (line 2 of",
                    "127.0.77.1\n" + kLongLine + "\n"},
        RefusalCase{"ControlBytesInTheFile", {"--from", "FILE"}, "'\\x1b[2J' is not a dotted", "\x1b[2J\n"},
        // Neither names one device: the reason is said.
        RefusalCase{
            "BroadcastAddress", {"255.255.255.255"}, "ADDRESS: '255.255.255.255' is the broadcast address"},
        RefusalCase{"UnspecifiedAddressInTheFile",
                    {"--from", "FILE"},
                    "'0.0.0.0' is the unspecified address, not a device's (line 1 of",
                    "0.0.0.0\n"},
        RefusalCase{
            "FileTooLarge", {"--from", "FILE"}, "is larger than 4 MiB", std::string(5 * 1024 * 1024, '#')},
        RefusalCase{"NoFile", {"--from", "/nonexistent/list"}, "--from: cannot read '/nonexistent/list'"},
        RefusalCase{
            "DiscoverTooWide", {"--discover", "127.0.0.0/8"}, "--discover: '127.0.0.0/8' has 16777216"},
        // A search reads no device and writes no plugin line or textfile.
        RefusalCase{
            "DiscoverAndAddresses", {"--discover", "127.0.77.0/24", "127.0.77.1"}, "ADDRESS excludes"},
        RefusalCase{"DiscoverAndNagios", {"--discover", "127.0.77.0/24", "--nagios"}, "--nagios excludes"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

} // namespace
