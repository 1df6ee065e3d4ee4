#include "sim/SimOptions.h"

#include <gtest/gtest.h>

namespace {

OptionsOutcome Parse(const std::vector<std::string>& args, SimOptions& options) {
    std::string error;
    const OptionsOutcome outcome = ParseSimOptions(args, options, error);
    EXPECT_EQ(outcome == OptionsOutcome::Invalid, !error.empty()) << error;
    return outcome;
}

TEST(SimOptions, DefaultsServeBothPortsOnLoopbackWithRealTime) {
    SimOptions options;
    ASSERT_EQ(Parse({}, options), OptionsOutcome::Run);
    EXPECT_EQ(options.addresses, std::vector<std::string>{"127.0.0.1"});
    EXPECT_EQ(options.ntpPort, 0);
    EXPECT_EQ(options.shellPort, 5316);
    EXPECT_EQ(options.telnetPort, 23);
    EXPECT_EQ(options.downtimeMs, 5000);
    EXPECT_FALSE(options.followAddress);
    EXPECT_FALSE(options.clock.fixedStart);
    EXPECT_EQ(options.session.device.letter, 'A');
    EXPECT_EQ(options.session.device.systemPeer, 1);
    EXPECT_TRUE(options.session.negotiation);
    EXPECT_EQ(options.loginDelayMs, 250);
    EXPECT_FALSE(options.exitWithParent);
}

TEST(SimOptions, ReadsEveryOptionInBothSpellings) {
    SimOptions options;
    ASSERT_EQ(Parse({"--address",
                     "127.0.3.9",
                     "--shell-port=15316",
                     "--telnet-port",
                     "0",
                     "--letter",
                     "M",
                     "--gps-flips=0,1500,86400000",
                     "--system-peer=0",
                     "--system-tally=o",
                     "--getdate-text",
                     "12:00 noon",
                     "--ntp-receive-shift",
                     "-2.5",
                     "--peer-reach",
                     "17",
                     "--peer-jitter=7.25",
                     "--firmware",
                     "9.9 beta",
                     "--time",
                     "4294967296.5",
                     "--freeze",
                     "--week-rollover",
                     "--downtime",
                     "0.25",
                     "--follow-address",
                     "--no-restart",
                     "--busy-after-change",
                     "3",
                     "--log",
                     "/tmp/x.log",
                     "--ready",
                     "--no-negotiation",
                     "--silent",
                     "--slow",
                     "20",
                     "--noise",
                     "--no-prompt",
                     "--close-mid-answer",
                     "--login-delay",
                     "0",
                     "--max-connections=7",
                     "--exit-with-parent=4242"},
                    options),
              OptionsOutcome::Run);
    EXPECT_EQ(options.addresses, std::vector<std::string>{"127.0.3.9"});
    EXPECT_EQ(options.shellPort, 15316);
    EXPECT_EQ(options.telnetPort, 0);
    EXPECT_EQ(options.session.device.letter, 'M');
    EXPECT_EQ(options.gpsFlipsMs, (std::vector<int>{0, 1500, 86400000}));
    EXPECT_EQ(options.session.device.systemPeer, 0);
    EXPECT_EQ(options.session.device.systemTally, 'o');
    EXPECT_EQ(options.session.device.getdateText, "12:00 noon");
    EXPECT_EQ(options.ntp.receiveShiftMicros, -2500000);
    EXPECT_EQ(options.session.device.peerReach, 017u);
    EXPECT_EQ(options.session.device.peerJitterMs, 7.25);
    EXPECT_EQ(options.session.device.firmware, "9.9 beta");
    EXPECT_TRUE(options.clock.fixedStart);
    EXPECT_EQ(options.clock.start.seconds, 4294967296LL);
    EXPECT_EQ(options.clock.start.micros, 500000);
    EXPECT_TRUE(options.clock.frozen);
    EXPECT_TRUE(options.clock.weekRollover);
    EXPECT_EQ(options.downtimeMs, 250);
    EXPECT_TRUE(options.followAddress);
    EXPECT_TRUE(options.session.noRestart);
    EXPECT_EQ(options.session.busyAfterChange, 3);
    EXPECT_EQ(options.logPath, "/tmp/x.log");
    EXPECT_TRUE(options.ready);
    EXPECT_FALSE(options.session.negotiation);
    EXPECT_TRUE(options.session.silent);
    EXPECT_EQ(options.slowMs, 20);
    EXPECT_TRUE(options.session.noise);
    EXPECT_TRUE(options.session.noPrompt);
    EXPECT_TRUE(options.session.closeMidAnswer);
    EXPECT_EQ(options.loginDelayMs, 0);
    EXPECT_EQ(options.maxConnections, 7);
    EXPECT_TRUE(options.exitWithParent);
    EXPECT_EQ(options.parentPid, 4242);
}

TEST(SimOptions, ExitWithParentTakesItsProcessIdOnlyAfterAnEqualsSign) {
    SimOptions options;
    ASSERT_EQ(Parse({"--exit-with-parent", "--login-delay=60000"}, options), OptionsOutcome::Run);
    EXPECT_TRUE(options.exitWithParent);
    EXPECT_EQ(options.parentPid, 0) << "0: the parent at start";
    EXPECT_EQ(options.loginDelayMs, 60000);
    EXPECT_NE(SimUsage().find("--exit-with-parent[=PID]"), std::string::npos);
}

// One more than the most a schedule may hold.
std::string TooManyGpsFlips() {
    std::string times = "1";
    for (int time = 2; time <= 65; ++time) {
        times += "," + std::to_string(time);
    }
    return times;
}

TEST(SimOptions, RejectsBadValuesWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--shell-port"},
        {"--shell-port", "65536"},
        {"--shell-port", "-1"},
        {"--shell-port", "12x"},
        {"--address", "192.168.42.7"},
        {"--address", "localhost"},
        {"--letter", "AV"},
        {"--letter", "a"},
        {"--gps-flips", ""},
        {"--gps-flips", "1,"},
        {"--gps-flips", "5,5"},
        {"--gps-flips", "9,3"},
        {"--gps-flips", "-1"},
        {"--gps-flips", "86400001"},
        {"--gps-flips", TooManyGpsFlips()},
        {"--system-peer", "4"},
        {"--peer-reach", "400"},
        {"--peer-reach", "8"},
        {"--peer-reach", "0x1"},
        {"--peer-jitter", "-1"},
        {"--peer-jitter", "1.2345"},
        {"--peer-jitter", "100001"},
        {"--time", "-5"},
        {"--time", "1.1234567"},
        {"--time", "1."},
        {"--time", "99999999999999999999"},
        {"--downtime", "3601"},
        {"--slow", "0"},
        {"--login-delay", "60001"},
        {"--login-delay", "-1"},
        {"--login-delay"},
        {"--max-connections", "0"},
        {"--exit-with-parent=0"},
        {"--exit-with-parent=12x"},
        {"--exit-with-parent=2147483648"},
        {"--firmware", "1.0# "},
        {"--system-tally", "+"},
        {"--getdate-text", "1.5 A# "},
        {"--ntp-receive-shift", "1e5"},
        {"--ready=yes"},
        {"--shell-port", "0", "--telnet-port", "0"},
        {"--shell-port", "2323", "--telnet-port", "2323"},
        {"stray"},
    };
    for (const auto& args : bad) {
        SimOptions options;
        EXPECT_EQ(Parse(args, options), OptionsOutcome::Invalid)
            << args[0] << (args.size() > 1 ? " " + args[1] : "");
    }
}

// The first word that ends the parsing decides, whatever stands after it.
TEST(SimOptions, HelpAndErrorsEndTheParsingWhereTheyStand) {
    struct Case {
        std::vector<std::string> args;
        OptionsOutcome outcome;
    };
    const Case cases[] = {
        {{"--slow", "5", "--help"}, OptionsOutcome::Help},
        {{"--shell-port", "0", "--telnet-port", "0", "--help"}, OptionsOutcome::Help},
        {{"--ready", "--version", "--slow", "0"}, OptionsOutcome::Version},
        {{"--slow", "0", "--help"}, OptionsOutcome::Invalid},
        {{"--bogus", "--help"}, OptionsOutcome::Invalid},
        {{"stray", "--version"}, OptionsOutcome::Invalid},
        {{"--help=yes"}, OptionsOutcome::Invalid},
        {{"--log", "--help"}, OptionsOutcome::Run},
    };
    for (const Case& test : cases) {
        SimOptions options;
        EXPECT_EQ(Parse(test.args, options), test.outcome) << test.args[0] << " ... " << test.args.back();
    }
}

TEST(SimOptions, RepeatedOptionsTakeTheLastValueAndValuesMayLookLikeOptions) {
    SimOptions options;
    ASSERT_EQ(Parse({"--slow", "5", "--slow=7", "--exit-with-parent=12", "--exit-with-parent", "--ready",
                     "--ready", "--ntp-offset", "-1", "--firmware", "[1,2]"},
                    options),
              OptionsOutcome::Run);
    EXPECT_EQ(options.slowMs, 7);
    EXPECT_EQ(options.parentPid, 0);
    EXPECT_EQ(options.ntp.offsetMicros, -1000000);
    EXPECT_EQ(options.session.device.firmware, "[1,2]");
    SimOptions refused;
    EXPECT_EQ(Parse({"--slow", "5", "--slow", "0", "--slow", "5"}, refused), OptionsOutcome::Invalid);
}

// What the parser takes for a value, and what it says when one is missing, is ours, not the library's.
TEST(SimOptions, ValuesAfterAnEqualsSignAndMissingValues) {
    SimOptions options;
    ASSERT_EQ(Parse({"--firmware=", "--ready", "--getdate-text=", "--one-socket-per-port"}, options),
              OptionsOutcome::Run);
    EXPECT_EQ(options.session.device.firmware, "");
    EXPECT_EQ(options.session.device.getdateText, "");
    EXPECT_TRUE(options.ready) << "an empty value after '=' takes no next word";
    EXPECT_TRUE(options.oneSocketPerPort);
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--log=", "/tmp/x.log"}, "--log: bad value"},
        {{"--"}, "unknown option: --"},
        {{"--ready", "--", "--silent"}, "unknown option: --"},
        {{"--ready", "--slow"}, "--slow needs a value"},
        {{"--telnet-port", "2323", "--shell-port"}, "--shell-port needs a value"},
    };
    for (const Case& test : cases) {
        SimOptions refused;
        std::string error;
        EXPECT_EQ(ParseSimOptions(test.args, refused, error), OptionsOutcome::Invalid) << test.error;
        EXPECT_EQ(error, test.error);
    }
}

TEST(SimOptions, HelpDocumentsEveryOptionAndTheLog) {
    SimOptions options;
    EXPECT_EQ(Parse({"--help", "--bogus"}, options), OptionsOutcome::Help);
    EXPECT_EQ(Parse({"--version", "--bogus"}, options), OptionsOutcome::Version);
    const std::string usage = SimUsage();
    for (const char* name : {"--address",
                             "--shell-port",
                             "--telnet-port",
                             "--letter",
                             "--system-peer",
                             "--peer-reach",
                             "--peer-jitter",
                             "--downtime",
                             "--log",
                             "--time",
                             "--firmware",
                             "--silent",
                             "--slow",
                             "--noise",
                             "--no-prompt",
                             "--close-mid-answer",
                             "--no-negotiation",
                             "--ready",
                             "--login-delay",
                             "--exit-with-parent",
                             "--max-connections",
                             "--help",
                             "--version",
                             "TIME PORT TEXT",
                             "TIME failure TEXT",
                             "--gps-flips",
                             "--system-tally",
                             "--getdate-text",
                             "--ntp-receive-shift"}) {
        EXPECT_NE(usage.find(name), std::string::npos) << name;
    }
}

TEST(SimOptions, SeveralAddressesByRepetitionOrRange) {
    SimOptions options;
    ASSERT_EQ(Parse({"--address", "127.0.7.9", "--address", "127.0.7.254-127.0.8.1"}, options),
              OptionsOutcome::Run);
    EXPECT_EQ(options.addresses, (std::vector<std::string>{"127.0.7.9", "127.0.7.254", "127.0.7.255",
                                                           "127.0.8.0", "127.0.8.1"}));
    for (const char* bad : {"127.0.7.9-127.0.7.1", "127.0.7.1-10.0.0.1", "10.0.0.1-127.0.0.1",
                            "127.0.0.1-127.0.4.0x", "127.0.0.1-127.1.0.1", "127.0.7.1-"}) {
        SimOptions refused;
        EXPECT_EQ(Parse({"--address", bad}, refused), OptionsOutcome::Invalid) << bad;
    }
}

TEST(SimOptions, NtpServiceAndItsLies) {
    SimOptions options;
    ASSERT_EQ(Parse({"--ntp-port", "12123", "--ntp-offset", "-2.5", "--ntp-stratum", "16", "--ntp-leap", "3",
                     "--ntp-silent", "--ntp-kiss", "RAT"},
                    options),
              OptionsOutcome::Run);
    EXPECT_EQ(options.ntpPort, 12123);
    EXPECT_EQ(options.ntp.offsetMicros, -2500000);
    EXPECT_EQ(options.ntp.stratum, 16);
    EXPECT_EQ(options.ntp.leap, 3);
    EXPECT_TRUE(options.ntp.silent);
    EXPECT_EQ(options.ntp.kissCode, 0x52415400u);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{{"--ntp-leap", "4"},
                                                                                     {"--ntp-stratum", "256"},
                                                                                     {"--ntp-offset", "1e3"},
                                                                                     {"--ntp-kiss", "RATES"},
                                                                                     {"--ntp-kiss", "rate"},
                                                                                     {"--ntp-kiss", ""}}) {
        SimOptions refused;
        EXPECT_EQ(Parse(bad, refused), OptionsOutcome::Invalid) << bad[0] << ' ' << bad[1];
    }
}

} // namespace
