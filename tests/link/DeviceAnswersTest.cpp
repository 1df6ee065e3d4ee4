#include "link/DeviceAnswers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(VersionAnswer, TakesTheEndedLineAfterTheMarkerCutToSixteenCharacters) {
    EXPECT_EQ(ParseVersionAnswer("version\r\n\r\nV2.14 (build 7)\r\n# ", "version"), "V2.14 (build 7)");
    EXPECT_EQ(ParseVersionAnswer("cat /etc/version\n1.0\n# ", "cat /etc/version"), "1.0");
    EXPECT_EQ(ParseVersionAnswer("noise version1.3\r\n# ", "version"), "1.3");
    EXPECT_EQ(ParseVersionAnswer("version\r\n0123456789abcdefXYZ\r\n# ", "version"), "0123456789abcdef");
}

TEST(VersionAnswer, WithoutMarkerOrEndedLineReadsNothing) {
    for (const char* text :
         {"getdate\r\n1.2 A\r\n# ", "Version 2\r\n# ",
          // an empty answer: the line after the marker is the prompt
          "version\r\n# ", "version\r\n\r\n# ", "version", "version\r\n", "version\r\n0123456789abcdef"}) {
        EXPECT_FALSE(ParseVersionAnswer(text, "version")) << '"' << text << '"';
    }
}

struct ClockCase {
    const char* text;
    std::int64_t seconds;
    std::int64_t micros;
    char status;
};

TEST(DeviceClock, ReadsAWholeReadingWithEveryPartInRange) {
    for (const ClockCase& row : {
             ClockCase{"1700000000.123456 A\r\n# ", 1700000000, 123456, 'A'},
             ClockCase{"12.000005 M", 12, 5, 'M'}, // the field is a whole number of microseconds
             ClockCase{" \t0.999999\tV", 0, 999999, 'V'},
             ClockCase{"4102444800.500000 A", 4102444800LL, 500000, 'A'},
             ClockCase{"253402300799.999999 A", 253402300799LL, 999999, 'A'}, // 9999-12-31 23:59:59
         }) {
        const auto reading = ReadDeviceClock(row.text);
        ASSERT_TRUE(reading) << '"' << row.text << '"';
        EXPECT_EQ(reading->seconds, row.seconds) << row.text;
        EXPECT_EQ(reading->micros, row.micros) << row.text;
        EXPECT_EQ(reading->status, row.status) << row.text;
    }
}

TEST(DeviceClock, RefusesReadingsWithAPartMissingOrOutOfRange) {
    for (const char* text :
         {// incomplete
          "", "A", "1700000000", "1700000000.", "1700000000.123456", "1700000000.123456 \r\n",
          "1700000000 123456 A", ".5 A", "1.x A", "ERROR: no clock", "+.1 A",
          // no letter on the reading's line: the prompt's '#' or the next line is no status
          "1700000000.5\r\n# ", "1700000000.5 # ", "12.000005\r\n M", "1.5 7", "1.5A", "1.5 AB",
          // microseconds that are not 0 to 999999
          "1700000000.1000000 A", "1700000000.1950000 A", "1700000000.-1 A", "1700000000.+7 A",
          "1.2147483648 A", "1.-2147483648 A",
          // seconds before 1970 or after year 9999, whose microseconds would overflow
          "-5.7 V", "-1.0 A", "+5.7 V", "253402300800.0 A", "18446744073709.0 A", "4611686018427387904.0 A",
          "9223372036854775807.0 A", "99999999999999999999.0 A", "-99999999999999999999.0 A"}) {
        EXPECT_FALSE(ReadDeviceClock(text)) << '"' << text << '"';
    }
}

TEST(GetdateAnswer, ReadsAfterTheMarkerOnly) {
    const auto reading = ParseGetdateAnswer("9.9 V\r\ngetdate\r\n\r\n1700000000.5 A\r\n# ");
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->seconds, 1700000000);
    EXPECT_EQ(reading->micros, 5);
    EXPECT_FALSE(ParseGetdateAnswer("1700000000.5 A\r\n# "));
    EXPECT_FALSE(ParseGetdateAnswer("getdate\r\nsh: getdate: not found\r\n# "));
}

std::string PeerTable(const std::string& firstPeer, const std::string& secondPeer,
                      const std::string& thirdPeer) {
    return "ntpq -p\r\n     remote           refid      st t when poll reach   delay   offset  jitter\r\n"
           "==============================================================================\r\n" +
           firstPeer + "\r\n" + secondPeer + "\r\n" + thirdPeer + "\r\n# ";
}

TEST(PeerTable, SystemPeerCountsOnTheFirstTwoPeerLinesOnly) {
    const std::string plain =
        " LOCAL(0)        .LOCL.          10 l   16   64    1    0.000    0.000   0.000";
    const std::string selected =
        "*GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    0.012   0.004";
    EXPECT_TRUE(ParsePeerTable(PeerTable(selected, plain, plain).c_str(), "ntpq -p"));
    EXPECT_TRUE(ParsePeerTable(PeerTable(plain, selected, plain).c_str(), "ntpq -p"));
    EXPECT_FALSE(ParsePeerTable(PeerTable(plain, plain, selected).c_str(), "ntpq -p"));
    EXPECT_FALSE(ParsePeerTable(PeerTable(" x *y", plain, plain).c_str(), "ntpq -p"));
    EXPECT_FALSE(ParsePeerTable(PeerTable(plain, plain, plain).c_str(), "ntpq -p"));
}

TEST(PeerTable, UnreadableTablesGiveZero) {
    EXPECT_FALSE(ParsePeerTable("ntpq -p\r\n\r\n", "ntpq -p"));
    EXPECT_FALSE(ParsePeerTable("ntpq -p\r\nntpq: read: Connection refused\r\n*# ", "ntpq -p"));
    EXPECT_FALSE(ParsePeerTable("=====\r\n*GPS\r\n# ", "ntpq -p"));
    EXPECT_TRUE(ParsePeerTable("ntpq -p 127.0.0.1\r\n========\r\n*GPS", "ntpq -p 127.0.0.1"));
    // The table ending right after its rule or first line holds no selected peer.
    EXPECT_FALSE(ParsePeerTable("ntpq -p\n===", "ntpq -p"));
    EXPECT_FALSE(ParsePeerTable("ntpq -p\n========\n LOCAL", "ntpq -p"));
}

constexpr const char* kTableHead =
    "ntpq -p\r\n     remote           refid      st t when poll reach   delay   offset  jitter\r\n"
    "==============================================================================\r\n";

// Only what follows the rule is the table, and of it only the lines that read as peers. The lamp keeps
// its rule: the third line's '*' lights nothing, though that peer is read.
TEST(PeerTable, KeepsThePeerLinesAfterTheRuleInOrder) {
    const std::string text =
        std::string("*10.9.9.9       .GPS.            1 u   12   64  377    0.100    0.000   0.001\r\n") +
        kTableHead +
        "+10.1.1.1        .PPS.            1 u  12m 1024  377    0.412   -0.104   0.022\r\n\r\n" +
        "ntpq: read: Connection refused\r\n" +
        "*GPS_NMEA(0)     .GPS.            0 l    9   16   17    0.000    0.012   7.500\r\n" +
        " LOCAL(0)        .LOCL.          10 l    -   64    0    0.000    0.000   0.000\r\n# ";
    const CPeerTableReader reader = ReadPeerTable(text.c_str(), "ntpq -p");
    EXPECT_EQ(reader.Result(), 0);
    const auto& table = reader.Table();
    ASSERT_EQ(table.peers.size(), 3u);
    EXPECT_EQ(table.peers[0].remote, "10.1.1.1");
    EXPECT_EQ(table.peers[2].remote, "LOCAL(0)");
    EXPECT_EQ(table.unkeptPeers, 0u);
    const NtpPeer* system = SystemPeer(table);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->remote, "GPS_NMEA(0)");
    EXPECT_EQ(system->reach, 017u);
}

TEST(PeerTable, NoPeersIsAnEmptyTable) {
    for (const std::string& text :
         {std::string(kTableHead) + "# ", std::string("ntpq -p\r\nNo association ID's returned\r\n# ")}) {
        const CPeerTableReader reader = ReadPeerTable(text.c_str(), "ntpq -p");
        EXPECT_TRUE(reader.Table().peers.empty()) << text;
        EXPECT_EQ(reader.Table().unkeptPeers, 0u) << text;
        EXPECT_EQ(SystemPeer(reader.Table()), nullptr) << text;
    }
}

// A table of any length is read in bounded space: the first peers are kept, the rest only counted.
TEST(PeerTable, KeepsTheFirstPeersOfALongTableAndCountsTheRest) {
    std::string text = kTableHead;
    for (std::size_t peer = 0; peer < kKeptPeers + 8; ++peer) {
        text += (peer == 0 ? "*" : " ") + std::to_string(peer) +
                "  .GPS.  1 u  9  16  377  0.000  0.012  0.004\r\n";
    }
    const CPeerTableReader reader = ReadPeerTable((text + "# ").c_str(), "ntpq -p");
    EXPECT_EQ(reader.Result(), 1);
    ASSERT_EQ(reader.Table().peers.size(), kKeptPeers);
    EXPECT_EQ(reader.Table().peers.back().remote, std::to_string(kKeptPeers - 1));
    EXPECT_EQ(reader.Table().unkeptPeers, 8u);
}

} // namespace
