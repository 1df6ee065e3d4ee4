// vantrex-status against the simulated device on 127.0.9.x, loopback only.
#include "StatusRun.h"

#include "fleet/DeviceProbe.h"

#include "tests/support/SimProcess.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kNtpPort = "12123";

std::vector<std::string> SimOptions(const char* address, std::vector<std::string> extra) {
    std::vector<std::string> options{"--address", address, "--telnet-port", "0", "--ntp-port", kNtpPort};
    options.insert(options.end(), extra.begin(), extra.end());
    return options;
}

std::string SecondsFromNow(int seconds) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(now).count() + seconds);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + '\n';
    }
    return text;
}

struct HealthCase {
    const char* name;
    const char* address;
    std::vector<std::string> simOptions;
    int exitStatus;
    const char* problem;       // in the Nagios line
    int clockAheadSeconds = 0; // the device clock set this far ahead of this PC's when the row runs
    std::vector<std::string> statusOptions = {};
};

class StatusHealthTest : public ::testing::TestWithParam<HealthCase> {};

TEST_P(StatusHealthTest, RuleMovesTheExitStatus) {
    const HealthCase& c = GetParam();
    CSimProcess sim;
    std::vector<std::string> simOptions = c.simOptions;
    if (c.clockAheadSeconds != 0) {
        simOptions.insert(simOptions.end(), {"--time", SecondsFromNow(c.clockAheadSeconds)});
    }
    ASSERT_TRUE(sim.Start(SimOptions(c.address, simOptions))) << sim.ErrorOutput();
    std::vector<std::string> statusOptions{"--nagios", "--ntp-port", kNtpPort, c.address};
    statusOptions.insert(statusOptions.end(), c.statusOptions.begin(), c.statusOptions.end());
    const StatusRun run = RunStatus(statusOptions);
    ASSERT_EQ(run.lines.size(), 1u) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.lines[0];
    EXPECT_NE(run.lines[0].find(c.problem), std::string::npos) << run.lines[0];
    EXPECT_NE(run.lines[0].find("| offset="), std::string::npos) << run.lines[0];
}

INSTANTIATE_TEST_SUITE_P(
    Rules, StatusHealthTest,
    ::testing::Values(
        HealthCase{"Healthy", "127.0.9.1", {}, 0, "VANTREX OK - 127.0.9.1 healthy"},
        HealthCase{"GpsNotLocked", "127.0.9.2", {"--letter", "V"}, 1, "GPS not locked"},
        HealthCase{"MacUnassigned", "127.0.9.3", {"--letter", "M"}, 1, "MAC address not assigned"},
        HealthCase{"NoSystemPeer", "127.0.9.4", {"--system-peer", "0"}, 2, "no system peer"},
        HealthCase{"OffsetWarns", "127.0.9.5", {}, 1, "clock offset beyond 1 s", 3},
        HealthCase{"OffsetIsCritical", "127.0.9.6", {}, 2, "clock offset beyond 5 s", 30},
        HealthCase{"NtpDisagrees", "127.0.9.7", {"--ntp-offset", "2"}, 1, "disagree"},
        HealthCase{"NtpSilent", "127.0.9.8", {"--ntp-silent"}, 2, "NTP: no answer", 0, {"--timeout", "8"}},
        HealthCase{"NtpStratum16", "127.0.9.9", {"--ntp-stratum", "16"}, 2, "NTP stratum 16"},
        HealthCase{"NtpLeap3", "127.0.9.10", {"--ntp-leap", "3"}, 2, "leap indicator 3"},
        HealthCase{
            "NtpKissCode", "127.0.9.11", {"--ntp-kiss", "RATE"}, 2, "NTP: kiss code RATE (rate exceeded)"},
        HealthCase{"PeerMissesPolls", "127.0.170.1", {"--peer-reach", "17"}, 1, "GPS reference unreliable"},
        // The rollover's one problem, without the offsets it makes huge.
        HealthCase{"WeekRollover",
                   "127.0.150.1",
                   {"--week-rollover"},
                   2,
                   "- 127.0.150.1: device date is 1024 weeks behind: GPS week-number rollover |"},
        // A server whose receive time comes after its transmit time lies about its delay, and with it
        // about how far its offset can be trusted.
        HealthCase{"NtpTimesCannotBeTrue",
                   "127.0.232.1",
                   {"--ntp-receive-shift", "100000"},
                   2,
                   "- 127.0.232.1: NTP: invalid answer: transmit time before receive time |"},
        // The system peer is the line marked '*' or 'o', wherever it stands in the table.
        HealthCase{"PpsSystemPeerOnTheSecondLine",
                   "127.0.232.2",
                   {"--system-peer", "2", "--system-tally", "o"},
                   0,
                   "VANTREX OK - 127.0.232.2 healthy |"},
        HealthCase{"SystemPeerOnTheThirdLine",
                   "127.0.232.3",
                   {"--system-peer", "3"},
                   0,
                   "VANTREX OK - 127.0.232.3 healthy |"},
        // Served in March 2027, with limits wide enough for the device clock set there to stay within.
        HealthCase{"LeapSecondInMarch",
                   "127.0.150.2",
                   {"--ntp-leap", "1", "--time", "1805112000"},
                   1,
                   "- 127.0.150.2: leap second announced outside June/December |",
                   0,
                   {"-w", "1000000000", "-c", "2000000000"}}),
    [](const ::testing::TestParamInfo<HealthCase>& info) { return std::string(info.param.name); });

struct UnreadableCase {
    const char* name;
    const char* address;
    std::vector<std::string> simOptions;
    const char* line;
};

class StatusUnreadableTest : public ::testing::TestWithParam<UnreadableCase> {};

// A device that answers what cannot be read has answered: CRITICAL at once, whatever --unreachable says,
// with what came escaped, rather than a wait for the whole --timeout.
TEST_P(StatusUnreadableTest, AnAnswerThatCannotBeReadIsCriticalAtOnce) {
    const UnreadableCase& c = GetParam();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions(c.address, c.simOptions))) << sim.ErrorOutput();
    const StatusRun run = RunStatus(
        {"--nagios", "--unreachable", "unknown", "--timeout", "20", "--ntp-port", kNtpPort, c.address});
    ASSERT_EQ(run.lines.size(), 1u) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, 2) << run.lines[0];
    EXPECT_TRUE(run.lines[0].starts_with(c.line)) << run.lines[0];
    EXPECT_LT(run.seconds, 10.0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, StatusUnreadableTest,
    ::testing::Values(UnreadableCase{"GarbageDate",
                                     "127.0.232.4",
                                     {"--getdate-text", "12:00 \x1b]0;x\x07noon"},
                                     "VANTREX CRITICAL - 127.0.232.4: getdate answer unreadable: "
                                     "'12:00 \\x1b]0;x\\x07noon' |"},
                      UnreadableCase{"EmptyVersion",
                                     "127.0.232.5",
                                     {"--firmware", ""},
                                     "VANTREX CRITICAL - 127.0.232.5: version answer empty |"}),
    [](const ::testing::TestParamInfo<UnreadableCase>& info) { return std::string(info.param.name); });

TEST(StatusEndToEnd, JsonAndPrometheusOfAHealthyDevice) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.9.20", {"--firmware", "VX \"2\" \\ 9"}))) << sim.ErrorOutput();
    const std::string textfile = testing::TempDir() + "vantrex-status-test.prom";
    const StatusRun run =
        RunStatus({"--json", "--prometheus", textfile, "--ntp-port", kNtpPort, "127.0.9.20"});
    ASSERT_EQ(run.lines.size(), 1u) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, 0);
    const nlohmann::json record = nlohmann::json::parse(run.lines[0]);
    EXPECT_EQ(record["address"], "127.0.9.20");
    EXPECT_EQ(record["firmware"], "VX \"2\" \\ 9");
    EXPECT_EQ(record["link"], "shell");
    EXPECT_EQ(record["gps_locked"], true);
    EXPECT_EQ(record["time_synced"], true);
    EXPECT_EQ(record["mac_assigned"], true);
    EXPECT_LT(std::abs(record["offset_seconds"].get<double>()), 0.5);
    EXPECT_EQ(record["ntp"]["stratum"], 1);
    EXPECT_EQ(record["ntp"]["reference_id"], "GPS");
    EXPECT_EQ(record["ntp"]["precision_seconds"], 1.0 / (1 << 20)); // as the simulator serves it
    EXPECT_TRUE(record["ntp"]["reference_time"].get<std::string>().ends_with("Z"));
    EXPECT_TRUE(record["device_time"].get<std::string>().ends_with("Z"));

    std::ifstream file(textfile);
    std::stringstream metrics;
    metrics << file.rdbuf();
    for (const char* sample :
         {"vantrex_up{address=\"127.0.9.20\"} 1\n", "vantrex_gps_locked{address=\"127.0.9.20\"} 1\n",
          "vantrex_time_synced{address=\"127.0.9.20\"} 1\n",
          "vantrex_ntp_stratum{address=\"127.0.9.20\"} 1\n",
          "vantrex_ntp_precision_seconds{address=\"127.0.9.20\"} 9.53674316e-07\n",
          "vantrex_info{address=\"127.0.9.20\",firmware=\"VX \\\"2\\\" \\\\ 9\"} 1\n",
          "vantrex_clock_offset_seconds{address=\"127.0.9.20\"} "}) {
        EXPECT_NE(metrics.str().find(sample), std::string::npos) << sample << metrics.str();
    }
    std::remove(textfile.c_str());
}

// The probe tells a refusal from silence: both are CRITICAL, but they call for different remedies.
TEST(StatusEndToEnd, KissOfDeathHasACodeOfItsOwn) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.9.21", {"--ntp-kiss", "RATE"}))) << sim.ErrorOutput();
    const StatusRun run = RunStatus({"--json", "--ntp-port", kNtpPort, "127.0.9.21"});
    ASSERT_EQ(run.lines.size(), 1u) << Joined(run.lines);
    const nlohmann::json record = nlohmann::json::parse(run.lines[0]);
    EXPECT_EQ(record["problems"][0]["code"], "ntp-kiss") << run.lines[0];
}

// A silent device's time-out is the fleet run's to test, with a limit shorter than the command line
// allows.
TEST(StatusEndToEnd, LinesInTheOrderGivenWithTheReasonForEachFailure) {
    CSimProcess healthy;
    CSimProcess closing;
    ASSERT_TRUE(healthy.Start(SimOptions("127.0.9.30", {})));
    ASSERT_TRUE(closing.Start(SimOptions("127.0.9.32", {"--close-mid-answer"})));
    // 127.0.9.33 has nothing listening: both links are refused.
    const StatusRun run = RunStatus({"--no-ntp", "127.0.9.33", "127.0.9.30", "127.0.9.32"});
    ASSERT_EQ(run.lines.size(), 3u) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.lines[0].rfind("127.0.9.33      CRITICAL connection refused", 0), 0u) << run.lines[0];
    EXPECT_EQ(run.lines[1].rfind("127.0.9.30      OK       shell  2.4.1", 0), 0u) << run.lines[1];
    EXPECT_EQ(run.lines[2].rfind("127.0.9.32      CRITICAL connection lost", 0), 0u) << run.lines[2];
}

TEST(StatusEndToEnd, MalformedInputEndsUnknownWithAMessage) {
    const std::string errorPath = testing::TempDir() + "vantrex-status-errors.txt";
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus", "127.0.9.40"},
        {"127.0.9"},
        {"127.0.9.400"},
        {"localhost"},
        {"127.0.9.40", "--from", "/nonexistent/list"},
        {"--watch", "0", "127.0.9.40"},
        {"--watch", "-1", "127.0.9.40"},
        {"--timeout", "0", "127.0.9.40"},
        {},
    };
    for (const std::vector<std::string>& arguments : cases) {
        const StatusRun run = RunStatus(arguments, errorPath);
        EXPECT_EQ(run.exitStatus, 3) << (arguments.empty() ? "(none)" : arguments[0]);
        EXPECT_TRUE(run.lines.empty());
        std::ifstream errors(errorPath);
        std::string message;
        EXPECT_TRUE(std::getline(errors, message) && message.starts_with("vantrex-status: ")) << message;
    }
    std::remove(errorPath.c_str());
}

// A monitoring host reads only standard output: in plugin mode bad input is its UNKNOWN status line
// there, and a name under .invalid is refused without asking any resolver.
TEST(StatusEndToEnd, PluginModeRefusesWithAStatusLine) {
    const struct {
        std::vector<std::string> arguments;
        const char* line;
    } cases[] = {
        {{"--nagios", "--bogus", "-H", "127.0.232.20"},
         "VANTREX UNKNOWN - The following argument was not expected: --bogus"},
        {{"--nagios", "-H", "gps-clock.invalid"},
         "VANTREX UNKNOWN - -H: cannot resolve 'gps-clock.invalid': a reserved name that never resolves"},
    };
    for (const auto& c : cases) {
        const StatusRun run = RunStatus(c.arguments);
        EXPECT_EQ(run.exitStatus, 3) << c.line;
        EXPECT_EQ(run.lines, std::vector<std::string>{c.line});
    }
}

TEST(StatusEndToEnd, FromFileReadsAddressesAndSkipsComments) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.9.50", {})));
    const std::string list = testing::TempDir() + "vantrex-status-list.txt";
    std::ofstream(list) << "# the lab\n127.0.9.50  # rack 1\n\n";
    const StatusRun run = RunStatus({"--from", list, "--no-ntp"});
    ASSERT_EQ(run.lines.size(), 1u) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, 0) << run.lines[0];
    std::remove(list.c_str());
}

std::string FileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct OutputCase {
    const char* name;
    const char* address;
    const char* redirection;
    const char* reason;
};

class StatusOutputTest : public ::testing::TestWithParam<OutputCase> {};

// A monitoring system that reads nothing must not see success.
TEST_P(StatusOutputTest, UndeliveredOutputEndsUnknownWithTheReason) {
    const OutputCase& c = GetParam();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions(c.address, {}))) << sim.ErrorOutput();
    const std::string errorPath = testing::TempDir() + "vantrex-status-output-" + c.name + ".txt";
    const StatusRun run = RunStatusRedirected(c.redirection, {"--nagios", "--no-ntp", c.address}, errorPath);
    EXPECT_EQ(run.lines, std::vector<std::string>{"3"});
    const std::string errors = FileText(errorPath);
    EXPECT_NE(errors.find(std::string("vantrex-status: cannot write the output: ") + c.reason),
              std::string::npos)
        << errors;
    std::remove(errorPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, StatusOutputTest,
    ::testing::Values(OutputCase{"FullDevice", "127.0.9.70", ">/dev/full", "No space left on device"},
                      OutputCase{"ClosedPipe", "127.0.9.71", "| true", "Broken pipe"}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

TEST(StatusEndToEnd, NagiosLineNamesTheUnknownOfAnUnwritableTextfile) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.9.72", {}))) << sim.ErrorOutput();
    const StatusRun run =
        RunStatus({"--nagios", "--no-ntp", "--prometheus", "/nonexistent/dir/x.prom", "127.0.9.72"});
    ASSERT_EQ(run.lines.size(), 1u) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_TRUE(
        run.lines[0].starts_with("VANTREX UNKNOWN - cannot write '/nonexistent/dir/x.prom': No such file "
                                 "or directory; 127.0.9.72 healthy | offset="))
        << run.lines[0];
}

// A Nagios command's options; -vvv adds the reading's line, and the dialogue on stderr as
// VANTREX_DEBUG=1 shows it.
TEST(StatusEndToEnd, PluginOptionsShowTheDialogueAtVerbosityThree) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.160.10", {"--firmware", "2.4.1\x1b]0;owned\x07"})))
        << sim.ErrorOutput();
    const std::string errorPath = testing::TempDir() + "vantrex-status-verbose.txt";
    const StatusRun run = RunStatus(
        {"--nagios", "-vvv", "-H", "127.0.160.10", "-w", "1", "-c", "5", "-t", "20", "--ntp-port", kNtpPort},
        errorPath);
    ASSERT_EQ(run.lines.size(), 2u) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(run.lines[0].starts_with("VANTREX OK - 127.0.160.10 healthy | offset=")) << run.lines[0];
    EXPECT_TRUE(run.lines[1].starts_with("127.0.160.10    OK       shell  2.4.1\\x1b]0;own")) << run.lines[1];
    // Each line of the dialogue after its device and direction, escaped as the other outputs escape.
    const std::string dialogue = FileText(errorPath);
    EXPECT_NE(dialogue.find("\n127.0.160.10 shell > getdate\n"), std::string::npos) << dialogue;
    EXPECT_NE(dialogue.find("\n127.0.160.10 shell < 2.4.1\\x1b]0;owned\\x07\n"), std::string::npos)
        << dialogue;
    EXPECT_EQ(dialogue.find('\x1b'), std::string::npos) << dialogue;
    std::remove(errorPath.c_str());
}

// As `timeout` around the cron line ends a run that waits on a silent device.
TEST(StatusEndToEnd, InterruptedRunLeavesTheTextfileAsItWas) {
    CSimProcess healthy;
    CSimProcess silent;
    ASSERT_TRUE(healthy.Start(SimOptions("127.0.9.73", {}))) << healthy.ErrorOutput();
    ASSERT_TRUE(silent.Start(SimOptions("127.0.9.74", {"--silent"}))) << silent.ErrorOutput();
    const std::string textfile = testing::TempDir() + "vantrex-status-interrupted.prom";
    std::ofstream(textfile) << "vantrex_up{address=\"127.0.9.73\"} 1\n";
    CChildProcess run;
    ASSERT_TRUE(StartStatus(
        run, {"--prometheus", textfile, "--no-ntp", "--timeout", "10", "127.0.9.73", "127.0.9.74"}));
    // Once the healthy device is asked for its time the run is under way, and the silent one holds it.
    ASSERT_TRUE(healthy.WaitForLine("getdate", 10000)) << healthy.ErrorOutput();
    ASSERT_EQ(kill(run.Pid(), SIGTERM), 0);
    std::vector<std::string> lines;
    while (std::optional<std::string> line = run.ReadLine(5000)) {
        lines.push_back(*line);
    }
    EXPECT_EQ(run.Finish(5000), 3);
    ASSERT_EQ(lines.size(), 2u) << Joined(lines);
    // Whether the healthy device was read in time or not, the silent one never was.
    EXPECT_TRUE(lines[0].starts_with("127.0.9.73 ")) << lines[0];
    EXPECT_EQ(lines[1], "127.0.9.74      UNKNOWN  interrupted");
    EXPECT_EQ(FileText(textfile), "vantrex_up{address=\"127.0.9.73\"} 1\n");
    std::remove(textfile.c_str());
}

// The smallest --timeout accepted reads healthy devices, shell and telnet alike (a telnet reading takes
// two exchanges more), with the simulator under the load of 48 devices read at once.
TEST(StatusEndToEnd, ShortestTimeoutReadsHealthyDevicesUnderLoad) {
    if (!CanBindTelnetPort()) {
        GTEST_SKIP() << "binding port 23 needs root";
    }
    CSimProcess shell;
    CSimProcess telnet;
    ASSERT_TRUE(shell.Start(SimOptions("127.0.233.1-127.0.233.24", {}))) << shell.ErrorOutput();
    ASSERT_TRUE(telnet.Start({"--address", "127.0.233.25-127.0.233.48", "--shell-port", "0", "--telnet-port",
                              "23", "--ntp-port", kNtpPort}))
        << telnet.ErrorOutput();
    const std::string shortest = std::to_string(kShortestReadingLimit.count() / 1000);
    std::vector<std::string> arguments{"--nagios", "--timeout", shortest, "--ntp-port", kNtpPort};
    for (int device = 1; device <= 48; ++device) {
        arguments.push_back("127.0.233." + std::to_string(device));
    }
    const StatusRun run = RunStatus(arguments);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.exitStatus, 0) << Joined(run.lines);
    EXPECT_TRUE(run.lines[0].starts_with("VANTREX OK - 48 devices healthy |")) << Joined(run.lines);
}

// The limit of open files here admits four devices in flight; cron and many services set 1024.
constexpr int kTightDescriptorLimit = 20;

// The addresses 127.0.120.first to 127.0.120.last.
std::vector<std::string> Range(int first, int last) {
    std::vector<std::string> addresses;
    for (int device = first; device <= last; ++device) {
        addresses.push_back("127.0.120." + std::to_string(device));
    }
    return addresses;
}

TEST(StatusEndToEnd, DevicesBeyondTheDescriptorLimitAreReadInTurns) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.120.1-127.0.120.12", {}))) << sim.ErrorOutput();
    const std::string errorPath = testing::TempDir() + "vantrex-status-limit.txt";
    std::vector<std::string> arguments{"--nagios", "--ntp-port", kNtpPort};
    const std::vector<std::string> devices = Range(1, 12);
    arguments.insert(arguments.end(), devices.begin(), devices.end());
    const StatusRun run = RunStatus(arguments, errorPath, kTightDescriptorLimit);
    ASSERT_EQ(run.lines.size(), 1u + devices.size()) << Joined(run.lines);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(run.lines[0].starts_with("VANTREX OK - 12 devices healthy |")) << run.lines[0];
    EXPECT_TRUE(FileText(errorPath).starts_with(
        "vantrex-status: the limit of 20 open files allows 4 devices at once; the others are read in turns"))
        << FileText(errorPath);
    std::remove(errorPath.c_str());
}

// Waits up to limitMs for a line that starts with prefix; false when none came.
bool AwaitLine(CChildProcess& process, const std::string& prefix, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (std::chrono::steady_clock::now() < end) {
        const std::optional<std::string> line = process.ReadLine(limitMs);
        if (!line) {
            return false;
        }
        if (line->starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

TEST(StatusEndToEnd, WatchReportsARestartedDeviceDownAndThenBack) {
    const std::vector<std::string> device = SimOptions("127.0.9.60", {});
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(device));
    CChildProcess watch;
    ASSERT_TRUE(StartStatus(watch, {"--watch", "1", "--no-ntp", "127.0.9.60"}));
    // A reading takes longer than the first interval.
    EXPECT_EQ(watch.ReadLine(10000), "127.0.9.60      UNKNOWN  pending");
    EXPECT_TRUE(AwaitLine(watch, "127.0.9.60      OK", 10000));
    sim.Stop();
    EXPECT_TRUE(AwaitLine(watch, "127.0.9.60      CRITICAL connection lost", 10000));
    ASSERT_TRUE(sim.Start(device));
    EXPECT_TRUE(AwaitLine(watch, "127.0.9.60      OK", 15000));
    EXPECT_EQ(watch.Stop(SIGINT), 0);
}

// The first report waits for the first readings, not for the first interval to end.
TEST(StatusEndToEnd, WatchReportsOnceEveryDeviceHasItsFirstReading) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.9.61", {})));
    CChildProcess watch;
    ASSERT_TRUE(StartStatus(watch, {"--watch", "60", "--no-ntp", "127.0.9.61"}));
    const std::optional<std::string> line = watch.ReadLine(20000);
    EXPECT_TRUE(line && line->starts_with("127.0.9.61      OK")) << line.value_or("(none within 20 s)");
    EXPECT_EQ(watch.Stop(SIGINT), 0);
}

// More devices than may be read at once take turns; each is pending, never CRITICAL, until read.
TEST(StatusEndToEnd, WatchUnderTheDescriptorLimitReadsEveryDeviceInTurn) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(SimOptions("127.0.120.21-127.0.120.26", {}))) << sim.ErrorOutput();
    const std::vector<std::string> devices = Range(21, 26);
    std::vector<std::string> arguments{"--watch", "1", "--ntp-port", kNtpPort};
    arguments.insert(arguments.end(), devices.begin(), devices.end());
    CChildProcess watch;
    ASSERT_TRUE(StartStatus(watch, arguments, kTightDescriptorLimit));
    bool allHealthy = false;
    for (int round = 0; round < 15 && !allHealthy; ++round) {
        std::size_t healthy = 0;
        for (const std::string& device : devices) {
            const std::optional<std::string> line = watch.ReadLine(10000);
            ASSERT_TRUE(line && line->starts_with(device + ' ')) << line.value_or("(none)");
            const bool ok = line->find(" OK ") != std::string::npos;
            const bool pending = line->find(" UNKNOWN  pending") != std::string::npos;
            // The first interval ends before any reading can.
            EXPECT_TRUE(round == 0 ? pending : pending || ok) << *line;
            healthy += ok;
        }
        allHealthy = healthy == devices.size();
    }
    EXPECT_TRUE(allHealthy);
    EXPECT_EQ(watch.Stop(SIGINT), 0);
}

} // namespace
