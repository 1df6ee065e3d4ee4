#include "DialogueProbe.h"

#include "runtime/Tick.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace {

std::atomic<std::uint32_t> g_ticks{0};

std::uint32_t FakeTicks() {
    return g_ticks.load();
}

// Every test runs on a tick counter it moves by hand.
class DialogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_ticks = 50000;
        SetTickSource(&FakeTicks);
    }
    void TearDown() override { SetTickSource(nullptr); }
};

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

class DialogueCycleTest : public DialogueTest, public ::testing::WithParamInterface<DialectCase> {
protected:
    // The echo of a command followed by its answer and the shell prompt, as the device sends it.
    static std::string Answer(const std::string& command, const std::string& body) {
        return command.substr(0, command.size() - 1) + "\r\n" + body + "\r\n# ";
    }
    static std::string Getdate(const std::string& reading) { return Answer("getdate\n", reading); }
    std::string PeerTable(const std::string& firstPeer) const {
        return Answer(GetParam().peerTableCommand,
                      "     remote     refid   st t\r\n=========================\r\n" + firstPeer +
                          "\r\n LOCAL(0)  .LOCL.  10 l");
    }
    // Brings a fresh probe through its first shell prompt and the version answer.
    void StartPolling(CDialogueProbe& probe) const {
        if (GetParam().port == kTelnetPort) {
            probe.Feed("picotux login: ");
            probe.Feed("Password: ");
        }
        probe.Feed("\r\nBusyBox v1.0 built-in shell\r\n# ");
        probe.Feed(Answer(GetParam().versionCommand, "VX-1.1.2"));
    }
};

TEST_P(DialogueCycleTest, PollsVersionThenGetdateAndPeerTableInTurn) {
    CDialogueProbe probe(GetParam().port);
    if (GetParam().port == kTelnetPort) {
        probe.Feed("picotux login: ");
        probe.Feed("Password: ");
    }
    probe.Feed("\r\nBusyBox v1.0 built-in shell\r\n# ");
    EXPECT_EQ(probe.GetState(), StateReady);
    EXPECT_EQ(probe.Pending(), GetParam().versionCommand);
    EXPECT_EQ(probe.FirmwareVersion(), "");
    EXPECT_EQ(probe.CurrentDeviceTime(), 0);
    EXPECT_EQ(probe.GpsState(), -1);
    EXPECT_EQ(probe.TimeSyncState(), -1);

    probe.Feed(Answer(GetParam().versionCommand, "VX-1.1.2"));
    EXPECT_EQ(probe.FirmwareVersion(), "VX-1.1.2");
    EXPECT_EQ(probe.Pending(), "getdate\n");
    EXPECT_EQ(probe.CurrentDeviceTime(), 0);
    EXPECT_EQ(probe.GpsState(), -1);

    probe.Feed(Getdate("1700000000.000000 A"));
    EXPECT_EQ(probe.Pending(), GetParam().peerTableCommand);
    EXPECT_EQ(probe.GpsState(), 1);
    EXPECT_EQ(probe.IsMacUnassigned(), 0);
    EXPECT_EQ(probe.TimeSyncState(), -1);
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000000);
    // The dialect's advance shows as the tick count at which the next whole second is reached.
    const std::uint32_t toNextSecond = 1000 - static_cast<std::uint32_t>(GetParam().microsAdvance / 1000);
    g_ticks += toNextSecond - 1;
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000000);
    g_ticks += 1;
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000001);

    probe.Feed(PeerTable("*GPS_NMEA(0)  .GPS.  0 l"));
    EXPECT_EQ(probe.TimeSyncState(), 1);
    EXPECT_EQ(probe.Pending(), "getdate\n");

    probe.Feed(Getdate("1700000010.000000 V"));
    EXPECT_EQ(probe.GpsState(), 0);
    EXPECT_EQ(probe.Pending(), GetParam().peerTableCommand);
    probe.Feed(PeerTable(" GPS_NMEA(0)  .GPS.  0 l"));
    EXPECT_EQ(probe.TimeSyncState(), 0);
    EXPECT_EQ(probe.Pending(), "getdate\n");
    EXPECT_EQ(probe.FirmwareVersion(), "VX-1.1.2") << "the version is read once per run";
}

TEST_P(DialogueCycleTest, CarriesTheAdvanceIntoTheSeconds) {
    CDialogueProbe probe(GetParam().port);
    StartPolling(probe);
    probe.Feed(Getdate("1700000000.950000 A"));
    // 950000 plus the advance passes a second once: S + 1 and the rest in milliseconds.
    const std::uint32_t restMs = static_cast<std::uint32_t>(950 + GetParam().microsAdvance / 1000 - 1000);
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000001);
    g_ticks += 999 - restMs;
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000001);
    g_ticks += 1;
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000002);
}

TEST_P(DialogueCycleTest, MacUnassignedRepeatsGetdateAndSkipsThePeerTable) {
    CDialogueProbe probe(GetParam().port);
    StartPolling(probe);
    probe.Feed(Getdate("1700000000.000000 M"));
    EXPECT_EQ(probe.GpsState(), -1);
    EXPECT_EQ(probe.IsMacUnassigned(), 1);
    EXPECT_EQ(probe.Pending(), "getdate\n");
    probe.Feed(Getdate("1700000001.000000 M"));
    EXPECT_EQ(probe.Pending(), "getdate\n");
    EXPECT_EQ(probe.TimeSyncState(), -1) << "the peer table was never asked for";

    // An unreadable answer wipes the time and the lamp but keeps the MAC reading.
    probe.Feed(Getdate("getdate: cannot open /dev/rtc"));
    EXPECT_EQ(probe.CurrentDeviceTime(), 0);
    EXPECT_EQ(probe.GpsState(), 0);
    EXPECT_EQ(probe.IsMacUnassigned(), 1);
    EXPECT_EQ(probe.Pending(), GetParam().peerTableCommand);
    probe.Feed(PeerTable(" x"));

    probe.Feed(Getdate("1700000002.000000 A"));
    EXPECT_EQ(probe.IsMacUnassigned(), 0);
    EXPECT_EQ(probe.GpsState(), 1);
    EXPECT_EQ(probe.Pending(), GetParam().peerTableCommand);
}

TEST_P(DialogueCycleTest, ReadingsThatCannotBeReadLeaveNoTime) {
    CDialogueProbe probe(GetParam().port);
    StartPolling(probe);
    for (const char* reading : {"1700000000.x A", "1700000000 A", "99999999999999999999.0 A",
                                "1700000000.99999999999 A", "4611686018427387905.0 A"}) {
        probe.Feed(Getdate("1700000000.000000 A"));
        probe.Feed(PeerTable(" x"));
        ASSERT_NE(probe.CurrentDeviceTime(), 0);
        probe.Feed(Getdate(reading));
        EXPECT_EQ(probe.CurrentDeviceTime(), 0) << reading;
        EXPECT_EQ(probe.GpsState(), 0) << reading;
        probe.Feed(PeerTable(" x"));
    }
}

// A device that answers what cannot be read has answered: the first such answer of the run is kept,
// as it came, for whoever reports the device.
TEST_P(DialogueCycleTest, KeepsTheFirstAnswerItCouldNotRead) {
    const std::string versionEcho(GetParam().versionCommand, std::strlen(GetParam().versionCommand) - 1);
    CDialogueProbe empty(GetParam().port);
    if (GetParam().port == kTelnetPort) {
        empty.Feed("picotux login: ");
        empty.Feed("Password: ");
    }
    empty.Feed("# ");
    EXPECT_FALSE(empty.FirstUnreadableAnswer());
    empty.Feed(Answer(GetParam().versionCommand, ""));
    ASSERT_TRUE(empty.FirstUnreadableAnswer());
    EXPECT_EQ(empty.FirstUnreadableAnswer()->command, versionEcho);
    EXPECT_EQ(empty.FirstUnreadableAnswer()->text, "");

    CDialogueProbe garbage(GetParam().port);
    StartPolling(garbage);
    garbage.Feed(Getdate("1700000000.000000 A"));
    garbage.Feed(PeerTable(" x"));
    EXPECT_FALSE(garbage.FirstUnreadableAnswer());
    garbage.Feed(Getdate("12:00 \x1b]0;title\x07noon"));
    garbage.Feed(PeerTable(" x"));
    garbage.Feed(Getdate("later garbage"));
    ASSERT_TRUE(garbage.FirstUnreadableAnswer());
    EXPECT_EQ(garbage.FirstUnreadableAnswer()->command, "getdate");
    EXPECT_EQ(garbage.FirstUnreadableAnswer()->text, "12:00 \x1b]0;title\x07noon");
}

TEST_P(DialogueCycleTest, KeepsSecondsPast2038) {
    CDialogueProbe probe(GetParam().port);
    StartPolling(probe);
    probe.Feed(Getdate("4102444800.000000 A"));
    EXPECT_EQ(probe.CurrentDeviceTime(), 4102444800LL);
    g_ticks += 86400u * 1000u;
    EXPECT_EQ(probe.CurrentDeviceTime(), 4102444800LL + 86400);
}

TEST_P(DialogueCycleTest, APeerTableLongerThanTheAccumulatorIsReadByItsLines) {
    // 70 peer lines of 79 characters: the header is far behind once the prompt arrives.
    const std::string peer = "192.168.1.10    .PPS.            1 u   33   64  377    0.412    0.021   0.007";
    for (const auto& [systemPeerLine, synced] : {std::pair{0, 1}, std::pair{1, 1}, std::pair{2, 0}}) {
        CDialogueProbe probe(GetParam().port);
        StartPolling(probe);
        probe.Feed(Getdate("1700000000.000000 A"));
        std::string peers;
        for (int line = 0; line < 70; ++line) {
            peers += (line == systemPeerLine ? "*" : " ") + peer + "\r\n";
        }
        ASSERT_GT(peers.size(), kLinkBufferSize);
        probe.Feed(PeerTable(peers + " LAST"));
        EXPECT_EQ(probe.TimeSyncState(), synced) << "system peer on line " << systemPeerLine;
        EXPECT_EQ(probe.Pending(), "getdate\n");
    }
}

TEST_P(DialogueCycleTest, VersionLinesAreCutToSixteenCharacters) {
    CDialogueProbe probe(GetParam().port);
    probe.Feed("# ");
    probe.Feed(std::string(GetParam().versionCommand) + "\r\nVX-1.1.2-20240131-release\r\n# ");
    EXPECT_EQ(probe.FirmwareVersion(), "VX-1.1.2-2024013");
}

TEST_P(DialogueCycleTest, AResetRunForgetsTheLastRun) {
    CDialogueProbe probe(GetParam().port);
    StartPolling(probe);
    probe.Feed(Getdate("1700000000.000000 A"));
    probe.Feed(PeerTable("*GPS"));
    probe.Feed("half an answer");
    probe.ResetRun();
    EXPECT_EQ(probe.CurrentDeviceTime(), 0);
    EXPECT_EQ(probe.GpsState(), -1);
    EXPECT_EQ(probe.TimeSyncState(), -1);
    EXPECT_EQ(probe.FirmwareVersion(), "");
    EXPECT_EQ(probe.Pending(), "");
    EXPECT_EQ(probe.ReceivedText(), "");
    probe.Feed("# ");
    EXPECT_EQ(probe.Pending(), GetParam().versionCommand) << "the first prompt of the new run asks again";
}

INSTANTIATE_TEST_SUITE_P(BothDialects, DialogueCycleTest,
                         ::testing::Values(DialectCase{"Shell", kShellPort, "version\n", "ntpq -p\n", 100000},
                                           DialectCase{"Telnet", kTelnetPort, "cat /etc/version\n",
                                                       "ntpq -p 127.0.0.1\n", 750000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogueTest, TelnetAnswersLoginAndPasswordAndReportsReadyAtTheLogin) {
    CDialogueProbe probe(kTelnetPort);
    probe.Feed("\r\nWelcome\r\npicotux login");
    EXPECT_EQ(probe.GetState(), StateReceiveFailed) << "nothing reported before the prompt";
    probe.Feed(": ");
    EXPECT_EQ(probe.GetState(), StateReady);
    EXPECT_TRUE(probe.TakeStateChange());
    EXPECT_EQ(probe.Pending(), "root\n");
    EXPECT_EQ(probe.ReceivedText(), "");

    probe.Feed("root\r\nPassword: ");
    EXPECT_EQ(probe.Pending(), "q9lokar58\n");
    probe.Feed("\r\nLogin incorrect\r\npicotux login: ");
    EXPECT_EQ(probe.Pending(), "root\n") << "a second login prompt is answered again";
    probe.Feed("Password: \r\n# ");
    EXPECT_EQ(probe.Pending(), "cat /etc/version\n");
    EXPECT_FALSE(probe.TakeStateChange()) << "nothing new is reported after the login";
}

TEST_F(DialogueTest, ShellDialectTakesLoginPromptsAsText) {
    CDialogueProbe probe(kShellPort);
    probe.Feed("picotux login: Password: ");
    EXPECT_EQ(probe.Pending(), "");
    EXPECT_EQ(probe.GetState(), StateReceiveFailed);
    EXPECT_EQ(probe.ReceivedText(), "picotux login: Password: ");
    probe.Feed("# ");
    EXPECT_EQ(probe.Pending(), "version\n");
    EXPECT_EQ(probe.GetState(), StateReady);
}

TEST_F(DialogueTest, AnswersNamingTheVersionCommandAreReadByTheirOwnCommandsReader) {
    CDialogueProbe probe(kShellPort);
    probe.Feed("# version\r\nVX-1\r\n# ");
    probe.Feed("getdate\r\n1700000000.0 A\r\nversion\r\nVX-2\r\n# ");
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000000);
    probe.Feed("ntpq -p\r\n     remote    refid   st\r\n==========\r\n*conversion.lan  .GPS.  1\r\n# ");
    EXPECT_EQ(probe.TimeSyncState(), 1);
    EXPECT_EQ(probe.FirmwareVersion(), "VX-1") << "only the version command's answer is read for it";
}

TEST_F(DialogueTest, TwoPromptsInOneBlockLeaveTheSecondCommand) {
    CDialogueProbe probe(kShellPort);
    probe.FeedBlock("# version\r\nVX-1\r\n# ");
    EXPECT_EQ(probe.Pending(), "getdate\n");
    EXPECT_EQ(probe.FirmwareVersion(), "VX-1");
    probe.FeedBlock("getdate\r\n1700000000.0 A\r\n# ntpq -p\r\n========\r\n*GPS\r\n# ");
    EXPECT_EQ(probe.Pending(), "getdate\n") << "the poll flag turned twice";
    EXPECT_EQ(probe.TimeSyncState(), 1);
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000000);
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

class DialogueStreamTest : public DialogueTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(DialogueStreamTest, EverySplitIntoTwoBlocksGivesTheSameCommand) {
    const StreamCase& stream = GetParam();
    for (std::size_t split = 0; split <= stream.bytes.size(); ++split) {
        CDialogueProbe probe(stream.port);
        probe.FeedBlock(std::string_view(stream.bytes).substr(0, split));
        probe.FeedBlock(std::string_view(stream.bytes).substr(split));
        EXPECT_EQ(probe.Pending(), stream.pending) << "split after byte " << split;
        EXPECT_EQ(probe.ReceivedText().find('\0'), std::string_view::npos);
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

TEST_F(DialogueTest, AFullAccumulatorKeepsItsNewestText) {
    CDialogueProbe probe(kShellPort);
    probe.Feed(std::string(20000, 'x') + "tail");
    EXPECT_LT(probe.ReceivedText().size(), kLinkBufferSize);
    EXPECT_TRUE(probe.ReceivedText().ends_with("xtail"));
    EXPECT_EQ(probe.Pending(), "");
}

TEST_F(DialogueTest, PromptsSplitAcrossTheAccumulatorLimitAreFound) {
    for (std::size_t before = kLinkBufferSize - 20; before < kLinkBufferSize + 2; ++before) {
        CDialogueProbe shell(kShellPort);
        shell.Feed(std::string(before, 'x') + "# ");
        EXPECT_EQ(shell.Pending(), "version\n") << before;

        CDialogueProbe telnet(kTelnetPort);
        telnet.Feed(std::string(before, 'x') + "picotux login: ");
        EXPECT_EQ(telnet.Pending(), "root\n") << before;
    }
}

TEST_F(DialogueTest, AnAnswerLongerThanTheAccumulatorIsReadFromItsEnd) {
    CDialogueProbe probe(kShellPort);
    probe.Feed("# version\r\nVX-1\r\n# ");
    probe.Feed(std::string(6000, '.') + "getdate\r\n1700000000.0 A\r\n# ");
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000000);
}

TEST_F(DialogueTest, CurrentDeviceTimeFollowsTheTickCounter) {
    CDialogueProbe probe(kShellPort);
    probe.Feed("# version\r\nVX-1\r\n# ");
    g_ticks = 0xFFFFF000u;
    probe.Feed("getdate\r\n1700000000.500000 A\r\n# ");
    // The shell dialect adds 100000: S and 600000 microseconds.
    g_ticks = 0xFFFFF000u + 2500u;
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000003);
    g_ticks = 0x00000A00u; // 6656 ms later, past the counter's wrap
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000007);
}

TEST_F(DialogueTest, FiveAfterTheStopIsFiveMicroseconds) {
    CDialogueProbe probe(kShellPort);
    probe.Feed("# version\r\nVX-1\r\n# getdate\r\n1700000000.5 A\r\n# ");
    g_ticks += 899;
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000000);
    g_ticks += 1;
    EXPECT_EQ(probe.CurrentDeviceTime(), 1700000001);
}

TEST_F(DialogueTest, AddressChangeBecomesThePendingCommand) {
    CDialogueProbe shell(kShellPort);
    shell.RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1");
    EXPECT_TRUE(shell.IsAddressChangeRequested());
    shell.TakeAddressChange();
    EXPECT_FALSE(shell.IsAddressChangeRequested());
    EXPECT_EQ(shell.Pending(), "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\n");

    CDialogueProbe telnet(kTelnetPort);
    telnet.RequestAddressChange("0.0.0.0", "0.0.0.0", "0.0.0.0");
    telnet.TakeAddressChange();
    EXPECT_EQ(telnet.Pending(), "echo '0.0.0.0' > /usr/ipaddress\necho '0.0.0.0' > /usr/netmask\n"
                                "echo '0.0.0.0' > /usr/gateway\ntouch /usr/ramdisk/reset\n");
}

TEST_F(DialogueTest, AddressTextsAreCutTo255Characters) {
    CDialogueProbe probe(kShellPort);
    const std::string longIp(300, '1');
    probe.RequestAddressChange(longIp.c_str(), "255.0.0.0", "10.0.0.1");
    probe.TakeAddressChange();
    EXPECT_EQ(probe.Pending(), "setip -i " + std::string(255, '1') + " -g 10.0.0.1 -s 255.0.0.0\n");
}

TEST_F(DialogueTest, UnsafeOrEmptyAddressTextsSendNothing) {
    CDialogueProbe probe(kShellPort);
    probe.RequestAddressChange("10.0.0.5; rm -rf /", "255.0.0.0", "10.0.0.1");
    probe.TakeAddressChange();
    EXPECT_EQ(probe.Pending(), "");
    EXPECT_FALSE(probe.IsAddressChangeRequested());
    probe.RequestAddressChange("", "", "");
    probe.TakeAddressChange();
    EXPECT_EQ(probe.Pending(), "");
}

TEST_F(DialogueTest, ARequestLeftFromAnEarlierRunIsDropped) {
    CDialogueProbe probe(kShellPort);
    probe.RequestAddressChange("10.0.0.5", "255.0.0.0", "10.0.0.1");
    probe.ResetRun();
    EXPECT_FALSE(probe.IsAddressChangeRequested());
    probe.TakeAddressChange();
    EXPECT_EQ(probe.Pending(), "");
}

} // namespace
