#include "sim/DeviceSession.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr DeviceTime kTime{1765084800, 42311};

SessionConfig Shell() {
    return SessionConfig{};
}

SessionConfig Telnet() {
    SessionConfig config;
    config.telnet = true;
    return config;
}

CDeviceSession MakeSession(const SessionConfig& config) {
    return CDeviceSession(
        config, [] { return kTime; }, [] { return false; });
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(DeviceSession, ShellShowsPromptAtOnceAndEchoesEveryLine) {
    CDeviceSession session = MakeSession(Shell());
    EXPECT_EQ(session.Open().atOnce, "# ");
    EXPECT_EQ(session.Open().afterLoginStart, "");
    EXPECT_EQ(session.Receive("getdate\n").text, "getdate\r\n1765084800.042311 A\r\n# ");
    EXPECT_EQ(session.Receive("version\r\n").text, "version\r\n2.4.1\r\n# ");
    EXPECT_EQ(session.Receive("\n").text, "\r\n# ");
}

TEST(DeviceSession, AnswersEachOfSeveralLinesInOneBlockInOrder) {
    CDeviceSession session = MakeSession(Shell());
    const SessionOutput output = session.Receive("version\nbogus\nget");
    EXPECT_EQ(output.text, "version\r\n2.4.1\r\n# bogus\r\n-sh: bogus: not found\r\n# ");
    EXPECT_EQ(output.lines, (std::vector<std::string>{"version", "bogus"}));
    EXPECT_EQ(session.Receive("date\n").lines, std::vector<std::string>{"getdate"});
}

TEST(DeviceSession, TelnetNegotiatesThenLogsInWithTheRightPassword) {
    CDeviceSession session = MakeSession(Telnet());
    // The prompt waits for the login program; the negotiation does not.
    EXPECT_EQ(session.Open().atOnce, "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18");
    EXPECT_EQ(session.Open().afterLoginStart, "picotux login: ");
    EXPECT_EQ(session.Receive("root\n").text, "root\r\nPassword: ");
    const SessionOutput loggedIn = session.Receive("q9lokar58\n");
    EXPECT_EQ(loggedIn.text, "\r\n# ");
    EXPECT_EQ(loggedIn.lines, std::vector<std::string>{"q9lokar58"});
    EXPECT_EQ(session.Receive("cat /etc/version\n").text, "cat /etc/version\r\n2.4.1\r\n# ");
}

TEST(DeviceSession, TelnetRefusesWrongLoginsAndRunsNoCommandBeforeLogin) {
    CDeviceSession session = MakeSession(Telnet());
    // A command typed at the login prompt is only a login name.
    EXPECT_EQ(session.Receive("getdate\n").text, "getdate\r\nPassword: ");
    EXPECT_EQ(session.Receive("q9lokar58\n").text, "\r\nLogin incorrect\r\npicotux login: ");
    EXPECT_EQ(session.Receive("root\nwrong\n").text,
              "root\r\nPassword: \r\nLogin incorrect\r\npicotux login: ");
    EXPECT_EQ(session.Receive("root\nq9lokar58\n").text, "root\r\nPassword: \r\n# ");
}

TEST(DeviceSession, TelnetWithoutNegotiationAsksForTheLoginOnly) {
    SessionConfig config = Telnet();
    config.negotiation = false;
    EXPECT_EQ(MakeSession(config).Open().atOnce, "");
    EXPECT_EQ(MakeSession(config).Open().afterLoginStart, "picotux login: ");
}

TEST(DeviceSession, AddressChangeEchoesThenEndsTheSession) {
    CDeviceSession session = MakeSession(Shell());
    const SessionOutput output = session.Receive("setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\ngetdate\n");
    EXPECT_EQ(output.text, "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\r\n");
    ASSERT_TRUE(output.restart.has_value());
    EXPECT_EQ(output.restart->gateway, "10.0.0.1");
    EXPECT_TRUE(output.close);
    EXPECT_EQ(output.lines.size(), 1u);
    EXPECT_EQ(session.Receive("getdate\n").text, "");
}

TEST(DeviceSession, NoRestartTakesTheAddressChangeAndGoesOnAnswering) {
    SessionConfig config = Shell();
    config.noRestart = true;
    CDeviceSession session = MakeSession(config);
    const SessionOutput output = session.Receive("setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\n");
    EXPECT_FALSE(output.restart.has_value());
    EXPECT_FALSE(output.close);
    EXPECT_EQ(output.lines.size(), 1u);
    EXPECT_EQ(session.Receive("getdate\n").text, "getdate\r\n1765084800.042311 A\r\n# ");
}

// As a device whose network restarts after the change: its commands print no clock and no peer table
// for a while, then it restarts, or without a restart answers as before.
TEST(DeviceSession, BusyAfterChangeAnswersThatTheNetworkRestartsBeforeItRestarts) {
    for (const bool restarts : {true, false}) {
        SessionConfig config = Shell();
        config.busyAfterChange = 2;
        config.noRestart = !restarts;
        CDeviceSession session = MakeSession(config);
        const SessionOutput taken = session.Receive("setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\n");
        EXPECT_EQ(taken.text, "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\r\n# ");
        EXPECT_FALSE(taken.restart.has_value());
        for (const std::string command : {"getdate", "ntpq -p"}) {
            EXPECT_EQ(session.Receive(command + "\n").text,
                      command + "\r\neth0: link down, restarting network\r\n# ");
        }
        const SessionOutput after = session.Receive("getdate\n");
        EXPECT_EQ(after.restart.has_value(), restarts);
        EXPECT_EQ(after.close, restarts);
        EXPECT_EQ(after.text, restarts ? "getdate\r\n" : "getdate\r\n1765084800.042311 A\r\n# ");
    }
}

TEST(DeviceSession, TelnetAddressChangeRestartsAtTheFourthLine) {
    CDeviceSession session = MakeSession(Telnet());
    session.Receive("root\nq9lokar58\n");
    const SessionOutput output =
        session.Receive("echo '10.0.0.5' > /usr/ipaddress\necho '255.0.0.0' > /usr/netmask\n"
                        "echo '10.0.0.1' > /usr/gateway\ntouch /usr/ramdisk/reset\n");
    EXPECT_EQ(CountOf(output.text, "# "), 3u);
    ASSERT_TRUE(output.restart.has_value());
    EXPECT_EQ(output.restart->ip, "10.0.0.5");
    EXPECT_EQ(output.restart->mask, "255.0.0.0");
    EXPECT_EQ(output.lines.size(), 4u);
}

TEST(DeviceSession, SilentSendsNothingButStillReadsLines) {
    SessionConfig config = Telnet();
    config.silent = true;
    CDeviceSession session = MakeSession(config);
    EXPECT_EQ(session.Open().atOnce + session.Open().afterLoginStart, "");
    const SessionOutput output = session.Receive("root\n");
    EXPECT_EQ(output.text, "");
    EXPECT_EQ(output.lines, std::vector<std::string>{"root"});
}

TEST(DeviceSession, NoiseGoesIntoAnswerLinesButLeavesEchoAndPromptIntact) {
    SessionConfig config = Shell();
    config.noise = true;
    CDeviceSession session = MakeSession(config);
    const std::string text = session.Receive("ntpq -p\n").text;
    ASSERT_GT(text.size(), 9u);
    EXPECT_EQ(text.substr(0, 9), "ntpq -p\r\n");
    EXPECT_EQ(text.substr(text.size() - 2), "# ");
    EXPECT_NE(text.find('\0'), std::string::npos);
    EXPECT_EQ(CountOf(text, "# "), 1u);
    EXPECT_EQ(CountOf(text, "\r\n"), 6u); // echo, two header lines, three peer lines
    EXPECT_EQ(text.find('\xff'), std::string::npos);
}

TEST(DeviceSession, NoPromptAnswersWithALongTextAndNeverAPrompt) {
    SessionConfig config = Shell();
    config.noPrompt = true;
    CDeviceSession session = MakeSession(config);
    EXPECT_EQ(session.Open().atOnce, "# ");
    const std::string text = session.Receive("version\n").text;
    EXPECT_GE(text.size(), 10000u);
    EXPECT_EQ(text.find('#'), std::string::npos);
    // A tool that reads "version" or "getdate" here would parse the long text as an answer.
    EXPECT_EQ(CountOf(text, "version"), 1u);
    EXPECT_EQ(text.find("getdate"), std::string::npos);
    EXPECT_EQ(text.find("ntpq"), std::string::npos);
}

TEST(DeviceSession, CloseMidAnswerCutsTheFirstNonEmptyAnswerInHalf) {
    SessionConfig config = Shell();
    config.closeMidAnswer = true;
    CDeviceSession session = MakeSession(config);
    const SessionOutput empty = session.Receive("\n");
    EXPECT_EQ(empty.text, "\r\n# ");
    EXPECT_FALSE(empty.close);
    const SessionOutput cut = session.Receive("getdate\n");
    EXPECT_EQ(cut.text, "getdate\r\n1765084800");
    EXPECT_TRUE(cut.close);
    EXPECT_EQ(session.Receive("getdate\n").text, "");
}

} // namespace
