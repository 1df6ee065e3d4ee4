// The link against the simulated device on loopback. Each test has a loopback address of its own, so
// the tests may run in parallel; every link is stopped and every sim ended by the test that started it.
#include "LinkWaits.h"

#include "tests/support/DescriptorExhaustion.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// Short pacing keeps a poll cycle in well under a second; the limits stay generous.
LinkTiming FastTiming() {
    LinkTiming timing;
    timing.pacingMs = 20;
    return timing;
}

std::vector<std::string> ReceivedLines(const CSimProcess& sim) {
    std::vector<std::string> texts;
    for (const SimLogLine& line : sim.ReadLog().lines) {
        texts.push_back(line.text);
    }
    return texts;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// Options of a sim that offers only its shell port, at address.
std::vector<std::string> ShellOnly(const char* address, std::vector<std::string> more = {}) {
    std::vector<std::string> options{"--address", address, "--telnet-port", "0"};
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

std::vector<std::string> TelnetOnly(const char* address) {
    return {"--address", address, "--shell-port", "0", "--telnet-port", "23"};
}

void StartLink(CDeviceLink& link, const char* address, unsigned short port, const LinkTiming& timing) {
    link.SetTarget(address, port);
    link.SetTiming(timing);
    ASSERT_TRUE(link.Start());
}

#define SKIP_WITHOUT_TELNET_PORT()                                                                           \
    if (!CanBindTelnetPort()) {                                                                              \
        GTEST_SKIP() << "binding port 23 needs root";                                                        \
    }

TEST(LinkLoopback, ShellPortReadsTheWholeStatusPast2038) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.10", {"--time", "4102444800.250000", "--freeze"})));
    CDeviceLink link("");
    StartLink(link, "127.0.2.10", kShellPort, FastTiming());
    // The window reads the status while the link thread writes it.
    ASSERT_TRUE(
        WaitUntil([&] { return link.TimeSyncState() == true && !link.FirmwareVersion().empty(); }, 10000));
    EXPECT_EQ(link.FirmwareVersion(), "2.4.1");
    EXPECT_EQ(link.GpsState(), true);
    EXPECT_EQ(link.IsMacUnassigned(), 0);
    EXPECT_GE(link.CurrentDeviceTime(), 4102444800LL);
    EXPECT_LT(link.CurrentDeviceTime(), 4102444800LL + 30);

    const StateReport ready = link.GetReport();
    EXPECT_EQ(ready.state, StateReady);
    EXPECT_EQ(ready.sequence, 2) << "starting, then ready once however many prompts came";
    link.Stop();
    EXPECT_EQ(link.GetReport().sequence, ready.sequence) << "a stop is not reported";

    const std::vector<std::string> lines = ReceivedLines(sim);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "version");
    EXPECT_EQ(lines[1], "getdate");
    EXPECT_EQ(lines[2], "ntpq -p");
}

TEST(LinkLoopback, TelnetPortLogsInThroughNegotiation) {
    SKIP_WITHOUT_TELNET_PORT();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(TelnetOnly("127.0.2.11")));
    CDeviceLink link("");
    StartLink(link, "127.0.2.11", kTelnetPort, FastTiming());
    ASSERT_TRUE(WaitUntil([&] { return link.TimeSyncState() == true; }, 10000));
    EXPECT_EQ(link.FirmwareVersion(), "2.4.1");
    EXPECT_NE(link.CurrentDeviceTime(), 0);
    EXPECT_EQ(link.GetReport().sequence, 2);
    link.Stop();

    const std::vector<std::string> lines = ReceivedLines(sim);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "root");
    EXPECT_EQ(lines[1], "q9lokar58");
    EXPECT_EQ(lines[2], "cat /etc/version");
    EXPECT_EQ(lines[3], "getdate");
    EXPECT_EQ(lines[4], "ntpq -p 127.0.0.1");
}

TEST(LinkLoopback, RefusedConnectionFails) {
    CDeviceLink link("");
    StartLink(link, "127.0.2.12", kShellPort, FastTiming());
    ASSERT_TRUE(WaitForState(link, StateConnectFailed, 10000));
    EXPECT_EQ(link.GetReport().sequence, 2) << "starting, then the failure";
    link.Stop();
}

TEST(LinkLoopback, SilenceBeforeTheFirstPromptEndsTheRun) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.14", {"--silent"})));
    LinkTiming timing = FastTiming();
    timing.firstPromptLimitMs = 300;
    CDeviceLink link("");
    StartLink(link, "127.0.2.14", kShellPort, timing);
    ASSERT_TRUE(WaitForState(link, StateSilent, 10000));
    EXPECT_EQ(link.GetReport().sequence, 2);
    link.Stop();
}

TEST(LinkLoopback, SilenceAfterTheFirstPromptUsesTheShorterLimit) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.15", {"--no-prompt"})));
    LinkTiming timing = FastTiming();
    timing.promptLimitMs = 300; // the first limit stays at its default: reaching it would time the test out
    CDeviceLink link("");
    StartLink(link, "127.0.2.15", kShellPort, timing);
    ASSERT_TRUE(WaitForState(link, StateSilent, 15000));
    EXPECT_EQ(link.GetReport().sequence, 3) << "starting, ready, silent";
    link.Stop();
}

TEST(LinkLoopback, DeviceClosingTheConnectionEndsTheRun) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.16", {"--close-mid-answer"})));
    CDeviceLink link("");
    StartLink(link, "127.0.2.16", kShellPort, FastTiming());
    ASSERT_TRUE(WaitForState(link, StateLinkClosed, 10000));
    EXPECT_EQ(link.GetReport().sequence, 3);
    link.Stop();
}

TEST(LinkLoopback, AResetByTheDeviceIsAFailedReceive) {
    CLoopbackListener device("127.0.2.30", kShellPort);
    ASSERT_TRUE(device.IsListening());
    CDeviceLink link("");
    StartLink(link, "127.0.2.30", kShellPort, FastTiming());
    const PeerSocket connection = device.Accept(5000);
    ASSERT_NE(connection, kNoPeer);
    ASSERT_TRUE(SendAll(connection, "# "));
    // Once the command has arrived the link waits for its answer, so the reset meets a receive.
    EXPECT_EQ(ReceiveSome(connection, 5000), "version\n");
    CloseWithReset(connection);
    EXPECT_TRUE(WaitForState(link, StateReceiveFailed, 5000));
    link.Stop();
}

// UBSan's first check of an object's dynamic type reads memory through a pipe, which it cannot open
// while descriptors are exhausted; one ordinary (refused) run beforehand leaves every type checked.
void CheckTypesBeforeExhaustion() {
    CDeviceLink link("");
    StartLink(link, "127.0.2.35", kShellPort, FastTiming());
    EXPECT_TRUE(WaitForState(link, StateConnectFailed, 5000));
    link.Stop();
}

TEST(LinkLoopback, NoSocketForTheRunIsASocketFailure) {
    CheckTypesBeforeExhaustion();
    CDeviceLink link("");
    {
        CDescriptorExhaustion exhaustion;
        StartLink(link, "127.0.2.31", kShellPort, FastTiming());
        EXPECT_TRUE(WaitForState(link, StateSocketFailed, 5000));
    }
    link.Stop();
}

// A signal that could not be created must end the run with a report, never spin or ignore Stop; the
// report is this PC's failure, not the device refusing.
TEST(LinkLoopback, NoSignalForTheConnectWaitIsASocketFailure) {
    CheckTypesBeforeExhaustion();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.32", {"--silent"})));
    CDeviceLink link("");
    {
        CDescriptorExhaustion exhaustion(1); // the socket takes the last one; its signal gets none
        StartLink(link, "127.0.2.32", kShellPort, FastTiming());
        EXPECT_TRUE(WaitForState(link, StateSocketFailed, 5000));
    }
    EXPECT_LT(MeasureMs([&] { link.Stop(); }), 1000.0);
}

TEST(LinkLoopback, NoSignalForTheMainLoopEndsTheRunSilent) {
    CheckTypesBeforeExhaustion();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.33", {"--silent"})));
    std::unique_ptr<CDeviceLink> link;
    {
        CDescriptorExhaustion exhaustion(2); // the stop and state signals get one each, the request's none
        link = std::make_unique<CDeviceLink>("");
    }
    StartLink(*link, "127.0.2.33", kShellPort, FastTiming());
    EXPECT_TRUE(WaitForState(*link, StateSilent, 5000));
    EXPECT_LT(MeasureMs([&] { link->Stop(); }), 1000.0);
}

TEST(LinkLoopback, StopEndsAConnectThatNothingAnswers) {
    CLoopbackListener listener("127.0.2.17", kShellPort, 0);
    ASSERT_TRUE(listener.IsListening() && listener.FillAcceptQueue()) << "a listener that answers nothing";
    CDeviceLink link("");
    StartLink(link, "127.0.2.17", kShellPort, FastTiming());
    ASSERT_TRUE(WaitForState(link, StateStarting, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LT(MeasureMs([&] { link.Stop(); }), 5000.0);
    const StateReport report = link.GetReport();
    EXPECT_EQ(report.state, StateStarting);
    EXPECT_EQ(report.sequence, 1);
}

TEST(LinkLoopback, AConnectThatNothingAnswersTimesOut) {
    CLoopbackListener listener("127.0.2.18", kShellPort, 0);
    ASSERT_TRUE(listener.IsListening() && listener.FillAcceptQueue()) << "a listener that answers nothing";
    LinkTiming timing = FastTiming();
    timing.connectTimeoutMs = 500;
    CDeviceLink link("");
    StartLink(link, "127.0.2.18", kShellPort, timing);
    ASSERT_TRUE(WaitForState(link, StateConnectFailed, 10000));
    EXPECT_EQ(link.GetReport().sequence, 2);
    link.Stop();
}

TEST(LinkLoopback, StopDuringThePacingWaitSendsNothing) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.19")));
    CDeviceLink link("");
    StartLink(link, "127.0.2.19", kShellPort, LinkTiming{});
    ASSERT_TRUE(WaitForState(link, StateReady, 10000));
    link.Stop(); // well inside the 1000 ms that the version command waits
    EXPECT_EQ(link.GetReport().sequence, 2);
    EXPECT_TRUE(ReceivedLines(sim).empty());
}

TEST(LinkLoopback, StopDuringTheWaitForTheDevice) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.25", {"--silent"})));
    CDeviceLink link("");
    StartLink(link, "127.0.2.25", kShellPort, FastTiming());
    ASSERT_TRUE(WaitForState(link, StateStarting, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_LT(MeasureMs([&] { link.Stop(); }), 5000.0);
    EXPECT_EQ(link.GetReport().sequence, 1);
}

TEST(LinkLoopback, CommandsAreAtLeastOnePacingApart) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.20")));
    CDeviceLink link("");
    StartLink(link, "127.0.2.20", kShellPort, LinkTiming{});
    ASSERT_TRUE(WaitUntil([&] { return sim.ReadLog().lines.size() >= 4; }, 20000));
    link.Stop();
    const std::vector<SimLogLine> lines = sim.ReadLog().lines;
    for (std::size_t index = 1; index < lines.size(); ++index) {
        // The device logs a line before it answers, and the next command waits for that answer, so the
        // gap holds the whole pacing wait; a millisecond is left for clock rounding.
        EXPECT_GE(lines[index].timeMs - lines[index - 1].timeMs, 999.0) << lines[index].text;
    }
}

TEST(LinkLoopback, AnAddressChangeWaitsItsOwnPacing) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.34")));
    CDeviceLink link("");
    StartLink(link, "127.0.2.34", kShellPort, LinkTiming{});
    ASSERT_TRUE(WaitUntil([&] { return link.CurrentDeviceTime() != 0; }, 20000));
    link.RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1");
    ASSERT_TRUE(WaitUntil([&] { return !sim.ReadLog().addressChanges.empty(); }, 20000));
    link.Stop();
    const std::vector<SimLogLine> lines = sim.ReadLog().lines;
    const auto change = std::find_if(lines.begin(), lines.end(),
                                     [](const SimLogLine& line) { return line.text.starts_with("setip"); });
    ASSERT_NE(change, lines.end());
    ASSERT_NE(change, lines.begin());
    // The change may leave before the previous command's answer is back, so nothing orders the two
    // arrivals but the pacing itself: the sim stamps each line when it gets to read it, and a busy machine
    // delays one read more than the next, by far less than the 100 ms left here.
    EXPECT_GE(change->timeMs - std::prev(change)->timeMs, 900.0);
}

TEST(LinkLoopback, PollsWaitTheLongerPollPacingOnlyOnceTheDeviceHasBeenReadWhole) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.41")));
    CDeviceLink link("");
    LinkTiming timing = FastTiming();
    timing.pollPacingMs = 3000;
    StartLink(link, "127.0.2.41", kShellPort, timing);
    ASSERT_TRUE(WaitUntil([&] { return sim.ReadLog().lines.size() >= 4; }, 20000));
    link.Stop();
    const std::vector<SimLogLine> lines = sim.ReadLog().lines;
    ASSERT_EQ(lines[2].text, "ntpq -p");
    // The version, the date and the peer table: the link's own pacing apart.
    EXPECT_LT(lines[2].timeMs - lines[0].timeMs, 3000.0);
    EXPECT_GE(lines[3].timeMs - lines[2].timeMs, 2999.0) << lines[3].text;
}

TEST(LinkTimingDefaults, AreWhatTheDeviceExpects) {
    const LinkTiming timing;
    EXPECT_EQ(timing.pacingMs, 1000u);
    EXPECT_EQ(timing.firstPromptLimitMs, 30000u);
    EXPECT_EQ(timing.promptLimitMs, 10000u);
    EXPECT_EQ(timing.connectTimeoutMs, 20000u);
}

// Reads the time once, then asks for a new address; returns what the device received.
SimLog ChangeAddress(const char* address, unsigned short port, CSimProcess& sim) {
    CDeviceLink link("");
    StartLink(link, address, port, FastTiming());
    EXPECT_TRUE(WaitUntil([&] { return link.CurrentDeviceTime() != 0; }, 10000));
    link.RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1");
    EXPECT_TRUE(WaitUntil([&] { return !sim.ReadLog().addressChanges.empty(); }, 10000));
    link.Stop();
    return sim.ReadLog();
}

void ExpectOneAddressChange(const SimLog& log) {
    ASSERT_EQ(log.addressChanges.size(), 1u);
    EXPECT_EQ(log.addressChanges[0].ip, "10.0.0.5");
    EXPECT_EQ(log.addressChanges[0].mask, "255.0.0.0");
    EXPECT_EQ(log.addressChanges[0].gateway, "10.0.0.1");
}

TEST(LinkLoopback, ShellAddressChangeIsOneSetipLine) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.21")));
    const SimLog log = ChangeAddress("127.0.2.21", kShellPort, sim);
    ExpectOneAddressChange(log);
    std::vector<std::string> texts;
    for (const SimLogLine& line : log.lines) {
        texts.push_back(line.text);
    }
    EXPECT_TRUE(Contains(texts, "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0"));
}

TEST(LinkLoopback, TelnetAddressChangeWritesTheFiles) {
    SKIP_WITHOUT_TELNET_PORT();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(TelnetOnly("127.0.2.22")));
    const SimLog log = ChangeAddress("127.0.2.22", kTelnetPort, sim);
    ExpectOneAddressChange(log);
    std::vector<std::string> texts;
    for (const SimLogLine& line : log.lines) {
        texts.push_back(line.text);
    }
    const std::vector<std::string> expected{"echo '10.0.0.5' > /usr/ipaddress",
                                            "echo '255.0.0.0' > /usr/netmask",
                                            "echo '10.0.0.1' > /usr/gateway", "touch /usr/ramdisk/reset"};
    const auto first = std::find(texts.begin(), texts.end(), expected[0]);
    ASSERT_NE(first, texts.end());
    EXPECT_EQ(std::vector<std::string>(first, std::min(first + 4, texts.end())), expected);
}

TEST(LinkLoopback, ARequestLeftFromAFailedRunIsNeverSent) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnly("127.0.2.23")));
    CDeviceLink link("");
    StartLink(link, "127.0.2.24", kShellPort, FastTiming());
    ASSERT_TRUE(WaitForState(link, StateConnectFailed, 10000));
    link.RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1"); // nobody takes it: the run is over
    link.Stop();

    StartLink(link, "127.0.2.23", kShellPort, FastTiming());
    ASSERT_TRUE(WaitUntil([&] { return sim.ReadLog().lines.size() >= 4; }, 10000));
    link.Stop();
    const SimLog log = sim.ReadLog();
    EXPECT_TRUE(log.addressChanges.empty());
    for (const SimLogLine& line : log.lines) {
        EXPECT_EQ(line.text.find("setip"), std::string::npos) << line.text;
    }
}

} // namespace
