#include "DialogueDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using std::chrono::milliseconds;

// What differs between the two dialects in a normal run.
struct DialectCase {
    const char* name;
    unsigned short port;
    const char* versionCommand;
    const char* peerTableCommand;
    int microsAdvance;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const DialectCase& dialect, std::ostream* out) {
    *out << dialect.name;
}

class DialogueCycleTest : public ::testing::TestWithParam<DialectCase> {
protected:
    // The echo of a command followed by its answer and the shell prompt, as the device sends it.
    static std::string Reply(const std::string& command, const std::string& body) {
        return command.substr(0, command.size() - 1) + "\r\n" + body + "\r\n# ";
    }
    static std::string Getdate(const std::string& reading) { return Reply("getdate\n", reading); }
    std::string PeerTable(const std::string& firstPeer) const {
        return Reply(GetParam().peerTableCommand,
                     "     remote     refid   st t\r\n=========================\r\n" + firstPeer +
                         "\r\n LOCAL(0)  .LOCL.  10 l");
    }
    // Brings the driver's dialogue to its first shell prompt.
    void ReachShell(CDialogueDriver& driver) const {
        if (GetParam().port == kTelnetPort) {
            driver.Receive("picotux login: ");
            driver.Answer("Password: ");
            driver.Answer("\r\n");
        }
        driver.Receive("\r\nBusyBox v1.0 built-in shell\r\n# ");
    }
    // Brings the driver's dialogue through its first shell prompt and the version answer.
    void StartPolling(CDialogueDriver& driver) const {
        ReachShell(driver);
        driver.Answer(Reply(GetParam().versionCommand, "VX-1.1.2"));
    }
};

TEST_P(DialogueCycleTest, PollsVersionThenGetdateAndPeerTableInTurn) {
    CDialogueDriver driver(GetParam().port);
    ReachShell(driver);
    EXPECT_EQ(driver.Dialogue().State(), StateReady);
    EXPECT_EQ(driver.Pending(), GetParam().versionCommand);
    EXPECT_EQ(driver.Snapshot().version, "");
    EXPECT_EQ(driver.DeviceTime(), 0);
    EXPECT_EQ(driver.Snapshot().gpsState, std::nullopt);
    EXPECT_EQ(driver.Snapshot().timeSyncState, std::nullopt);

    driver.Answer(Reply(GetParam().versionCommand, "VX-1.1.2"));
    EXPECT_EQ(driver.Snapshot().version, "VX-1.1.2");
    EXPECT_EQ(driver.Pending(), "getdate\n");
    EXPECT_EQ(driver.DeviceTime(), 0);
    EXPECT_EQ(driver.Snapshot().gpsState, std::nullopt);

    driver.Answer(Getdate("1700000000.000000 A"));
    EXPECT_EQ(driver.Pending(), GetParam().peerTableCommand);
    EXPECT_EQ(driver.Snapshot().gpsState, true);
    EXPECT_EQ(driver.Snapshot().macUnassigned, 0);
    EXPECT_EQ(driver.Snapshot().timeSyncState, std::nullopt);
    EXPECT_EQ(driver.DeviceTime(), 1700000000);
    // The dialect's advance shows as the time at which the next whole second is reached.
    const milliseconds toNextSecond(1000 - GetParam().microsAdvance / 1000);
    driver.Advance(toNextSecond - milliseconds(1));
    EXPECT_EQ(driver.DeviceTime(), 1700000000);
    driver.Advance(milliseconds(1));
    EXPECT_EQ(driver.DeviceTime(), 1700000001);

    driver.Answer(PeerTable("*GPS_NMEA(0)  .GPS.  0 l"));
    EXPECT_EQ(driver.Snapshot().timeSyncState, true);
    EXPECT_EQ(driver.Pending(), "getdate\n");

    driver.Answer(Getdate("1700000010.000000 V"));
    EXPECT_EQ(driver.Snapshot().gpsState, false);
    EXPECT_EQ(driver.Pending(), GetParam().peerTableCommand);
    driver.Answer(PeerTable(" GPS_NMEA(0)  .GPS.  0 l"));
    EXPECT_EQ(driver.Snapshot().timeSyncState, false);
    EXPECT_EQ(driver.Pending(), "getdate\n");
    EXPECT_EQ(driver.Snapshot().version, "VX-1.1.2") << "the version is read once per run";
    EXPECT_EQ(driver.Dialogue().State(), StateReady) << "nothing but ready is ever reported by the dialogue";
}

TEST_P(DialogueCycleTest, CarriesTheAdvanceIntoTheSeconds) {
    CDialogueDriver driver(GetParam().port);
    StartPolling(driver);
    driver.Answer(Getdate("1700000000.950000 A"));
    // 950000 plus the advance passes a second once: S + 1 and the rest in milliseconds.
    const int restMs = 950 + GetParam().microsAdvance / 1000 - 1000;
    EXPECT_EQ(driver.DeviceTime(), 1700000001);
    driver.Advance(milliseconds(999 - restMs));
    EXPECT_EQ(driver.DeviceTime(), 1700000001);
    driver.Advance(milliseconds(1));
    EXPECT_EQ(driver.DeviceTime(), 1700000002);
}

TEST_P(DialogueCycleTest, MacUnassignedRepeatsGetdateAndSkipsThePeerTable) {
    CDialogueDriver driver(GetParam().port);
    StartPolling(driver);
    driver.Answer(Getdate("1700000000.000000 M"));
    EXPECT_EQ(driver.Snapshot().gpsState, std::nullopt);
    EXPECT_EQ(driver.Snapshot().macUnassigned, 1);
    EXPECT_EQ(driver.Pending(), "getdate\n");
    driver.Answer(Getdate("1700000001.000000 M"));
    EXPECT_EQ(driver.Pending(), "getdate\n");
    EXPECT_EQ(driver.Snapshot().timeSyncState, std::nullopt) << "the peer table was never asked for";

    // An unreadable answer wipes the time and the lamp but keeps the MAC reading.
    driver.Answer(Getdate("getdate: cannot open /dev/rtc"));
    EXPECT_EQ(driver.DeviceTime(), 0);
    EXPECT_EQ(driver.Snapshot().gpsState, false);
    EXPECT_EQ(driver.Snapshot().macUnassigned, 1);
    EXPECT_EQ(driver.Pending(), GetParam().peerTableCommand);
    driver.Answer(PeerTable(" x"));

    driver.Answer(Getdate("1700000002.000000 A"));
    EXPECT_EQ(driver.Snapshot().macUnassigned, 0);
    EXPECT_EQ(driver.Snapshot().gpsState, true);
    EXPECT_EQ(driver.Pending(), GetParam().peerTableCommand);
}

TEST_P(DialogueCycleTest, ReadingsThatCannotBeReadLeaveNoTime) {
    CDialogueDriver driver(GetParam().port);
    StartPolling(driver);
    for (const char* reading : {"1700000000.x A", "1700000000 A", "99999999999999999999.0 A",
                                "1700000000.99999999999 A", "4611686018427387905.0 A"}) {
        driver.Answer(Getdate("1700000000.000000 A"));
        driver.Answer(PeerTable(" x"));
        ASSERT_NE(driver.DeviceTime(), 0);
        driver.Answer(Getdate(reading));
        EXPECT_EQ(driver.DeviceTime(), 0) << reading;
        EXPECT_EQ(driver.Snapshot().gpsState, false) << reading;
        EXPECT_FALSE(driver.Snapshot().lastReading.has_value()) << reading;
        driver.Answer(PeerTable(" x"));
    }
}

TEST_P(DialogueCycleTest, KeepsSecondsPast2038) {
    CDialogueDriver driver(GetParam().port);
    StartPolling(driver);
    driver.Answer(Getdate("4102444800.000000 A"));
    EXPECT_EQ(driver.DeviceTime(), 4102444800LL);
    driver.Advance(std::chrono::hours(24));
    EXPECT_EQ(driver.DeviceTime(), 4102444800LL + 86400);
}

// A device that answers what cannot be read has answered: the first such answer of the run is kept,
// as it came, for whoever reports the device.
TEST_P(DialogueCycleTest, KeepsTheFirstAnswerItCouldNotRead) {
    const std::string versionEcho(GetParam().versionCommand, std::strlen(GetParam().versionCommand) - 1);
    CDialogueDriver empty(GetParam().port);
    ReachShell(empty);
    EXPECT_FALSE(empty.Snapshot().unreadableAnswer);
    empty.Answer(Reply(GetParam().versionCommand, ""));
    ASSERT_TRUE(empty.Snapshot().unreadableAnswer);
    EXPECT_EQ(empty.Snapshot().unreadableAnswer->command, versionEcho);
    EXPECT_EQ(empty.Snapshot().unreadableAnswer->text, "");

    CDialogueDriver garbage(GetParam().port);
    StartPolling(garbage);
    garbage.Answer(Getdate("1700000000.000000 A"));
    garbage.Answer(PeerTable(" x"));
    EXPECT_FALSE(garbage.Snapshot().unreadableAnswer);
    garbage.Answer(Getdate("12:00 \x1b]0;title\x07noon"));
    garbage.Answer(PeerTable(" x"));
    garbage.Answer(Getdate("later garbage"));
    ASSERT_TRUE(garbage.Snapshot().unreadableAnswer);
    EXPECT_EQ(garbage.Snapshot().unreadableAnswer->command, "getdate");
    EXPECT_EQ(garbage.Snapshot().unreadableAnswer->text, "12:00 \x1b]0;title\x07noon");
    garbage.Dialogue().Start(garbage.Now());
    EXPECT_FALSE(garbage.Snapshot().unreadableAnswer) << "a new run starts without one";
}

TEST_P(DialogueCycleTest, APeerTableLongerThanTheAccumulatorIsReadByItsLines) {
    // 70 peer lines of 79 characters: the header is far behind once the prompt arrives.
    const std::string peer = "192.168.1.10    .PPS.            1 u   33   64  377    0.412    0.021   0.007";
    for (const auto& [systemPeerLine, synced] :
         {std::pair{0, true}, std::pair{1, true}, std::pair{2, false}}) {
        CDialogueDriver driver(GetParam().port);
        StartPolling(driver);
        driver.Answer(Getdate("1700000000.000000 A"));
        std::string peers;
        for (int line = 0; line < 70; ++line) {
            peers += (line == systemPeerLine ? "*" : " ") + peer + "\r\n";
        }
        ASSERT_GT(peers.size(), kLinkBufferSize);
        driver.Answer(PeerTable(peers + " LAST"));
        EXPECT_EQ(driver.Snapshot().timeSyncState, synced) << "system peer on line " << systemPeerLine;
        ASSERT_TRUE(driver.Snapshot().peerTable.has_value());
        EXPECT_EQ(driver.Snapshot().peerTable->peers.size(), kKeptPeers);
        EXPECT_EQ(driver.Pending(), "getdate\n");
    }
}

TEST_P(DialogueCycleTest, VersionLinesAreCutToSixteenCharacters) {
    CDialogueDriver driver(GetParam().port);
    ReachShell(driver);
    driver.Answer(std::string(GetParam().versionCommand) + "\r\nVX-1.1.2-20240131-release\r\n# ");
    EXPECT_EQ(driver.Snapshot().version, "VX-1.1.2-2024013");
}

TEST_P(DialogueCycleTest, StartForgetsTheLastRunButTheMacState) {
    CDialogueDriver driver(GetParam().port);
    StartPolling(driver);
    driver.Answer(Getdate("1700000000.000000 M"));
    driver.Receive("half an answer");
    driver.Dialogue().RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1", driver.Now());
    driver.Dialogue().Start(driver.Now());
    EXPECT_EQ(driver.Dialogue().State(), StateStarting);
    EXPECT_EQ(driver.DeviceTime(), 0);
    EXPECT_EQ(driver.Snapshot().gpsState, std::nullopt);
    EXPECT_EQ(driver.Snapshot().timeSyncState, std::nullopt);
    EXPECT_EQ(driver.Snapshot().version, "");
    EXPECT_FALSE(driver.Snapshot().lastReading.has_value());
    EXPECT_EQ(driver.Snapshot().macUnassigned, 1);
    EXPECT_EQ(driver.Pending(), "");
    EXPECT_EQ(driver.Dialogue().ReceivedText(), "");
    driver.Dialogue().OnConnected(driver.Now());
    ReachShell(driver);
    EXPECT_EQ(driver.Pending(), GetParam().versionCommand) << "the first prompt of the new run asks again";
    driver.SendPending();
    EXPECT_EQ(driver.Pending(), "") << "the request of the last run is gone with it";
}

INSTANTIATE_TEST_SUITE_P(BothDialects, DialogueCycleTest,
                         ::testing::Values(DialectCase{"Shell", kShellPort, "version\n", "ntpq -p\n", 100000},
                                           DialectCase{"Telnet", kTelnetPort, "cat /etc/version\n",
                                                       "ntpq -p 127.0.0.1\n", 750000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DialogueTest, TelnetAnswersLoginAndPasswordAndReportsReadyAtTheLogin) {
    CDialogueDriver driver(kTelnetPort);
    driver.Receive("\r\nWelcome\r\npicotux login");
    EXPECT_EQ(driver.Dialogue().State(), StateStarting) << "nothing reported before the prompt";
    driver.Receive(": ");
    EXPECT_EQ(driver.Dialogue().State(), StateReady);
    EXPECT_EQ(driver.Pending(), "root\n");
    EXPECT_EQ(driver.Dialogue().ReceivedText(), "");

    driver.Answer("root\r\nPassword: ");
    EXPECT_EQ(driver.Pending(), "q9lokar58\n");
    driver.Answer("\r\nLogin incorrect\r\npicotux login: ");
    EXPECT_EQ(driver.Pending(), "root\n") << "a second login prompt is answered again";
    driver.Answer("Password: ");
    driver.Answer("\r\n# ");
    EXPECT_EQ(driver.Pending(), "cat /etc/version\n");
}

TEST(DialogueTest, ShellDialectTakesLoginPromptsAsText) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("picotux login: Password: ");
    EXPECT_EQ(driver.Pending(), "");
    EXPECT_EQ(driver.Dialogue().State(), StateStarting);
    EXPECT_EQ(driver.Dialogue().ReceivedText(), "picotux login: Password: ");
    driver.Receive("# ");
    EXPECT_EQ(driver.Pending(), "version\n");
    EXPECT_EQ(driver.Dialogue().State(), StateReady);
}

TEST(DialogueTest, AnswersNamingTheVersionCommandAreReadByTheirOwnCommandsReader) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("# ");
    driver.Answer("version\r\nVX-1\r\n# ");
    driver.Answer("getdate\r\n1700000000.0 A\r\nversion\r\nVX-2\r\n# ");
    EXPECT_EQ(driver.DeviceTime(), 1700000000);
    driver.Answer("ntpq -p\r\n     remote    refid   st\r\n==========\r\n*conversion.lan  .GPS.  1\r\n# ");
    EXPECT_EQ(driver.Snapshot().timeSyncState, true);
    EXPECT_EQ(driver.Snapshot().version, "VX-1") << "only the version command's answer is read for it";
}

TEST(DialogueTest, TwoPromptsInOneBlockLeaveTheSecondCommand) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("# version\r\nVX-1\r\n# ");
    EXPECT_EQ(driver.Pending(), "getdate\n");
    EXPECT_EQ(driver.Snapshot().version, "VX-1");
    driver.Answer("getdate\r\n1700000000.0 A\r\n# ntpq -p\r\n========\r\n*GPS\r\n# ");
    EXPECT_EQ(driver.Pending(), "getdate\n") << "the poll flag turned twice";
    EXPECT_EQ(driver.Snapshot().timeSyncState, true);
    EXPECT_EQ(driver.DeviceTime(), 1700000000);
}

// A stream of received bytes and the command the dialogue must place after it, however TCP cuts it.
struct StreamCase {
    const char* name;
    unsigned short port;
    std::string bytes;
    const char* pending;
};

void PrintTo(const StreamCase& stream, std::ostream* out) {
    *out << stream.name;
}

class DialogueStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(DialogueStreamTest, EverySplitIntoTwoBlocksGivesTheSameCommand) {
    const StreamCase& stream = GetParam();
    for (std::size_t split = 0; split <= stream.bytes.size(); ++split) {
        CDialogueDriver driver(stream.port);
        driver.Receive(std::string_view(stream.bytes).substr(0, split));
        driver.Receive(std::string_view(stream.bytes).substr(split));
        EXPECT_EQ(driver.Pending(), stream.pending) << "split after byte " << split;
        EXPECT_EQ(driver.Dialogue().ReceivedText().find('\0'), std::string_view::npos);
    }
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Streams, DialogueStreamTest,
    ::testing::Values(StreamCase{"NegotiationBeforeTheLogin", kTelnetPort,
                                 "\xff\xfd\x18\xff\xfb\x01picotux login: "s, "root\n"},
                      StreamCase{"EscapedByteIsData", kShellPort, "\xff\xff# "s, "version\n"},
                      StreamCase{"CarriageReturnNulBeforeTheLogin", kTelnetPort,
                                 "\xff\xfb\x01\r\0picotux login: "s, "root\n"},
                      StreamCase{"NoisyNulBeforeTheShellPrompt", kShellPort, "\0abc\0\r\n# "s, "version\n"}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

TEST(DialogueTest, AFullAccumulatorKeepsItsNewestText) {
    CDialogueDriver driver(kShellPort);
    driver.Receive(std::string(20000, 'x') + "tail");
    EXPECT_LT(driver.Dialogue().ReceivedText().size(), kLinkBufferSize);
    EXPECT_TRUE(driver.Dialogue().ReceivedText().ends_with("xtail"));
    EXPECT_EQ(driver.Pending(), "");
}

TEST(DialogueTest, PromptsSplitAcrossTheAccumulatorLimitAreFound) {
    for (std::size_t before = kLinkBufferSize - 20; before < kLinkBufferSize + 2; ++before) {
        CDialogueDriver shell(kShellPort);
        shell.Receive(std::string(before, 'x') + "# ");
        EXPECT_EQ(shell.Pending(), "version\n") << before;

        CDialogueDriver telnet(kTelnetPort);
        telnet.Receive(std::string(before, 'x') + "picotux login: ");
        EXPECT_EQ(telnet.Pending(), "root\n") << before;
    }
}

TEST(DialogueTest, AnAnswerLongerThanTheAccumulatorIsReadFromItsEnd) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("# ");
    driver.Answer("version\r\nVX-1\r\n# ");
    driver.Answer(std::string(6000, '.') + "getdate\r\n1700000000.0 A\r\n# ");
    EXPECT_EQ(driver.DeviceTime(), 1700000000);
}

TEST(DialogueTest, TheHeldTimeFollowsTheClockTruncatingItsMilliseconds) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("# ");
    driver.Answer("version\r\nVX-1\r\n# ");
    // The shell dialect adds 100000: S and 600000 microseconds, then 2500 ms pass.
    driver.Answer("getdate\r\n1700000000.500000 A\r\n# ");
    driver.Advance(milliseconds(2500));
    EXPECT_EQ(driver.DeviceTime(), 1700000003);
    // Five after the stop is five microseconds, not half a second.
    driver.Answer("ntpq -p\r\n# ");
    driver.Answer("getdate\r\n1700000000.5 A\r\n# ");
    driver.Advance(milliseconds(899));
    EXPECT_EQ(driver.DeviceTime(), 1700000000);
    driver.Advance(milliseconds(1));
    EXPECT_EQ(driver.DeviceTime(), 1700000001);
}

TEST(DialogueTest, TheClockReadingKeepsTheTimesItWasAskedAndAnswered) {
    CDialogueDriver driver(kTelnetPort); // the telnet dialect advances its displayed time; the raw one is not
    driver.Receive("picotux login: ");
    driver.Answer("Password: ");
    driver.Answer("# ");
    driver.Answer("cat /etc/version\r\nVX-1\r\n# ");
    EXPECT_FALSE(driver.Snapshot().lastReading.has_value());
    driver.SendPending();
    const std::int64_t sent = driver.Now().pcMicros;
    driver.Advance(milliseconds(40));
    driver.Receive("getdate\r\n1700000000.5 A\r\n# ");
    const std::optional<TimedClockReading> reading = driver.Snapshot().lastReading;
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->seconds, 1700000000);
    EXPECT_EQ(reading->micros, 5);
    EXPECT_EQ(reading->sentPcMicros, sent);
    EXPECT_EQ(reading->answeredPcMicros, sent + 40000);
}

// How the run ends when the device or the connection goes quiet: steps before the wait, the wait,
// and the state after it (StateReady or StateStarting: the run goes on).
struct LimitCase {
    const char* name;
    bool connected;
    const char* received; // before the wait; "# " places the version command
    std::size_t sent;     // bytes of the waiting command that the socket took (SIZE_MAX: all of it)
    milliseconds wait;
    LinkState after;
};

void PrintTo(const LimitCase& limit, std::ostream* out) {
    *out << limit.name;
}

class DialogueLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(DialogueLimitTest, EndsTheRunOnlyOnceItsLimitHasPassed) {
    const LimitCase& limit = GetParam();
    LinkTiming timing;
    timing.connectTimeoutMs = 20000;
    timing.firstPromptLimitMs = 30000;
    timing.promptLimitMs = 10000;
    CDialogueDriver driver(kShellPort, timing);
    if (!limit.connected) {
        driver.Dialogue().Start(driver.Now());
    }
    driver.Receive(limit.received);
    if (!driver.Pending().empty()) {
        driver.Advance(milliseconds(timing.pacingMs));
        const std::size_t taken = std::min(limit.sent, driver.Pending().size());
        driver.Dialogue().OnSent(taken, driver.Now());
    }
    driver.Advance(limit.wait - milliseconds(1));
    EXPECT_NE(driver.Dialogue().Phase(), DialoguePhase::Ended) << "a millisecond early";
    driver.Advance(milliseconds(1));
    EXPECT_EQ(driver.Dialogue().State(), limit.after);
    EXPECT_EQ(driver.Dialogue().NextDeadline().has_value(),
              driver.Dialogue().Phase() != DialoguePhase::Ended);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, DialogueLimitTest,
    ::testing::Values(
        LimitCase{"ConnectNeverAnswered", false, "", 0, milliseconds(20000), StateConnectFailed},
        LimitCase{"NoFirstPrompt", true, "BusyBox", 0, milliseconds(30000), StateSilent},
        LimitCase{"NoAnswerAfterTheFirstPrompt", true, "# ", SIZE_MAX, milliseconds(10000), StateSilent},
        LimitCase{"AHalfSentCommand", true, "# ", 3, milliseconds(10000), StateLinkClosed},
        LimitCase{"ACommandNoneOfWhichWasTaken", true, "# ", 0, milliseconds(10000), StateLinkClosed}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST(DialogueTest, APacingWaitIsNeverSilenceAndDataRestartsTheLimit) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("# ");
    driver.Advance(std::chrono::minutes(5)); // a driver that is late to send
    EXPECT_EQ(driver.Dialogue().State(), StateReady);
    EXPECT_EQ(driver.Dialogue().NextDeadline(), driver.Dialogue().SendTime());
    driver.SendPending();
    driver.Advance(milliseconds(9000));
    driver.Receive("vers");
    driver.Advance(milliseconds(9000));
    EXPECT_EQ(driver.Dialogue().State(), StateReady);
    driver.Advance(milliseconds(1000));
    EXPECT_EQ(driver.Dialogue().State(), StateSilent);
}

TEST(DialogueTest, EachCommandWaitsItsPacingAndPollsWaitThePollPacingOnceReadWhole) {
    LinkTiming timing;
    timing.pollPacingMs = 5000;
    CDialogueDriver driver(kShellPort, timing);
    std::vector<std::pair<std::string, milliseconds>> waits;
    const auto answer = [&](const std::string& text) {
        driver.Receive(text);
        const auto wait =
            std::chrono::duration_cast<milliseconds>(driver.Dialogue().SendTime() - driver.Now().monotonic);
        EXPECT_FALSE(driver.Dialogue().IsSendDue(driver.Now().monotonic));
        EXPECT_FALSE(driver.Dialogue().TakesInput()) << "nothing is read while a command waits";
        waits.emplace_back(driver.SendPending(), wait);
        EXPECT_TRUE(driver.Dialogue().TakesInput());
    };
    answer("# ");
    answer("version\r\nVX\r\n# ");
    answer("getdate\r\n1700000000.0 A\r\n# ");
    answer("ntpq -p\r\n=====\r\n*GPS\r\n# ");
    driver.Dialogue().RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1", driver.Now());
    const auto changeWait = driver.Dialogue().SendTime() - driver.Now().monotonic;
    const std::vector<std::pair<std::string, milliseconds>> expected{{"version\n", milliseconds(1000)},
                                                                     {"getdate\n", milliseconds(1000)},
                                                                     {"ntpq -p\n", milliseconds(1000)},
                                                                     {"getdate\n", milliseconds(5000)}};
    EXPECT_EQ(waits, expected);
    EXPECT_EQ(changeWait, milliseconds(1000)) << "an address change is no poll";
}

TEST(DialogueTest, AnAddressChangeAskedWhileACommandWaitsFollowsIt) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("# ");
    driver.Dialogue().RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1", driver.Now());
    EXPECT_EQ(driver.Pending(), "version\n") << "the waiting command is not replaced";
    driver.Advance(milliseconds(1000));
    driver.Dialogue().OnSent(3, driver.Now());
    driver.Advance(milliseconds(50));
    driver.Dialogue().OnSent(5, driver.Now());
    EXPECT_EQ(driver.Pending(), "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\n");
    EXPECT_EQ(driver.Dialogue().SendTime(), driver.Now().monotonic + milliseconds(1000));
}

// An address change as the device's own commands, or nothing at all.
struct AddressCase {
    const char* name;
    unsigned short port;
    std::string ip;
    const char* mask;
    const char* gateway;
    std::string command;
};

void PrintTo(const AddressCase& change, std::ostream* out) {
    *out << change.name;
}

class DialogueAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(DialogueAddressTest, BecomesTheWaitingCommand) {
    const AddressCase& change = GetParam();
    CDialogueDriver driver(change.port);
    EXPECT_EQ(
        driver.Dialogue().RequestAddressChange(change.ip.c_str(), change.mask, change.gateway, driver.Now()),
        !change.command.empty());
    EXPECT_EQ(driver.Pending(), change.command);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, DialogueAddressTest,
    ::testing::Values(AddressCase{"Shell", kShellPort, "10.0.0.5", "255.0.0.0", "10.0.0.1",
                                  "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\n"},
                      AddressCase{"Telnet", kTelnetPort, "0.0.0.0", "0.0.0.0", "0.0.0.0",
                                  "echo '0.0.0.0' > /usr/ipaddress\necho '0.0.0.0' > /usr/netmask\n"
                                  "echo '0.0.0.0' > /usr/gateway\ntouch /usr/ramdisk/reset\n"},
                      AddressCase{"CutTo255Characters", kShellPort, std::string(300, '1'), "255.0.0.0",
                                  "10.0.0.1",
                                  "setip -i " + std::string(255, '1') + " -g 10.0.0.1 -s 255.0.0.0\n"},
                      AddressCase{"Unsafe", kShellPort, "10.0.0.5; rm -rf /", "255.0.0.0", "10.0.0.1", ""},
                      AddressCase{"Empty", kTelnetPort, "", "", "", ""}),
    [](const ::testing::TestParamInfo<AddressCase>& info) { return std::string(info.param.name); });

TEST(DialogueTest, AnEndedRunKeepsItsFirstFinalStateAndTakesNothing) {
    CDialogueDriver driver(kShellPort);
    driver.Receive("# ");
    driver.Dialogue().End(StateLinkClosed);
    driver.Dialogue().End(StateReceiveFailed);
    driver.Advance(std::chrono::hours(1));
    EXPECT_EQ(driver.Dialogue().State(), StateLinkClosed);
    EXPECT_FALSE(driver.Dialogue().NextDeadline().has_value());
    EXPECT_FALSE(driver.Dialogue().TakesInput());
    const std::uint64_t revision = driver.Dialogue().SnapshotRevision();
    driver.Receive("version\r\nVX\r\n# ");
    EXPECT_EQ(driver.Dialogue().SnapshotRevision(), revision);
}

TEST(DialogueTest, TracesEachCommandSentAndEachTextAtItsPromptOrLineEnd) {
    CDialogueDriver driver(kShellPort);
    std::vector<std::string> traced;
    driver.Dialogue().SetTrace(
        [&](char direction, std::string_view text) { traced.push_back(direction + std::string(text)); });
    driver.Receive("motd\r\n# ");
    driver.Dialogue().OnSent(4, driver.Now());
    EXPECT_EQ(traced, std::vector<std::string>{"<motd\r\n# "}) << "a command is traced once wholly sent";
    driver.Dialogue().OnSent(4, driver.Now());
    driver.Answer("version\r\nVX\r\n# ");
    driver.Answer("getdate\r\n1700000000.0 A\r\n# ");
    traced.clear();
    driver.Answer("ntpq -p\r\n=====\r\n*GPS\r\n# ");
    EXPECT_EQ(traced, (std::vector<std::string>{">ntpq -p\n", "<ntpq -p\r", "<\n", "<=====\r", "<\n",
                                                "<*GPS\r", "<\n", "<# "}));
}

} // namespace
