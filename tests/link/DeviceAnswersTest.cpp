#include "link/DeviceAnswers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VersionAnswer, TakesTheLineAfterTheMarkerAndItsLineBreaks) {
    EXPECT_EQ(ParseVersionAnswer("version\r\n\r\nV2.14 (build 7)\r\n# ", "version"), "V2.14 (build 7)");
    EXPECT_EQ(ParseVersionAnswer("cat /etc/version\n1.0\n# ", "cat /etc/version"), "1.0");
    EXPECT_EQ(ParseVersionAnswer("noise version1.3", "version"), "1.3");
}

TEST(VersionAnswer, KeepsAtMostSixteenCharacters) {
    EXPECT_EQ(ParseVersionAnswer("version\r\n0123456789abcdefXYZ\r\n# ", "version"), "0123456789abcdef");
    EXPECT_EQ(ParseVersionAnswer("version\r\n0123456789abcdef", "version"), "0123456789abcdef");
}

TEST(VersionAnswer, WithoutMarkerReadsNothing) {
    EXPECT_FALSE(ParseVersionAnswer("getdate\r\n1.2 A\r\n# ", "version"));
    EXPECT_FALSE(ParseVersionAnswer("Version 2\r\n# ", "version"));
    // The marker at the very end leaves an empty version, which is still a version answer.
    EXPECT_EQ(ParseVersionAnswer("version", "version"), "");
}

TEST(DeviceClock, ReadsTheThreeFieldsAsScanfWould) {
    const auto reading = ReadDeviceClock("1700000000.123456 A\r\n# ");
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->seconds, 1700000000);
    EXPECT_EQ(reading->micros, 123456);
    EXPECT_EQ(reading->status, 'A');

    // White space before each number and before the letter is optional, signs are accepted.
    const auto loose = ReadDeviceClock(" \t-5.+7V");
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->seconds, -5);
    EXPECT_EQ(loose->micros, 7);
    EXPECT_EQ(loose->status, 'V');

    const auto acrossLines = ReadDeviceClock("12.000005\r\n M");
    ASSERT_TRUE(acrossLines);
    EXPECT_EQ(acrossLines->micros, 5) << "the field is a whole number of microseconds";
    EXPECT_EQ(acrossLines->status, 'M');
}

TEST(DeviceClock, AMissingLetterIsTakenFromWhatFollows) {
    // As with scanf, the next character that is not white space is the letter, even the prompt's.
    const auto reading = ReadDeviceClock("1700000000.5\r\n# ");
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->status, '#');
}

TEST(DeviceClock, ReadsSecondsPast2038) {
    const auto reading = ReadDeviceClock("4102444800.500000 A");
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->seconds, 4102444800LL);
    const auto limit = ReadDeviceClock("4611686018427387904.0 A");
    ASSERT_TRUE(limit);
    EXPECT_EQ(limit->seconds, kDeviceSecondsLimit);
}

TEST(DeviceClock, RefusesIncompleteOrOversizedReadings) {
    for (const char* text :
         {"", "A", "1700000000", "1700000000.", "1700000000.123456", "1700000000.123456 \r\n",
          "1700000000 123456 A", ".5 A", "1.x A", "ERROR: no clock", "+.1 A", "99999999999999999999.0 A",
          "-99999999999999999999.0 A", "9223372036854775807.0 A", "4611686018427387905.0 A",
          "-4611686018427387905.0 A", "1.2147483648 A", "1.-2147483649 A"}) {
        EXPECT_FALSE(ReadDeviceClock(text)) << '"' << text << '"';
    }
    EXPECT_TRUE(ReadDeviceClock("1.2147483647 A"));
    EXPECT_TRUE(ReadDeviceClock("1.-2147483648 A"));
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
    EXPECT_EQ(ParsePeerTable(PeerTable(selected, plain, plain).c_str(), "ntpq -p"), 1);
    EXPECT_EQ(ParsePeerTable(PeerTable(plain, selected, plain).c_str(), "ntpq -p"), 1);
    EXPECT_EQ(ParsePeerTable(PeerTable(plain, plain, selected).c_str(), "ntpq -p"), 0);
    EXPECT_EQ(ParsePeerTable(PeerTable(" x *y", plain, plain).c_str(), "ntpq -p"), 0);
    EXPECT_EQ(ParsePeerTable(PeerTable(plain, plain, plain).c_str(), "ntpq -p"), 0);
}

TEST(PeerTable, UnreadableTablesGiveZero) {
    EXPECT_EQ(ParsePeerTable("ntpq -p\r\n\r\n", "ntpq -p"), 0);
    EXPECT_EQ(ParsePeerTable("ntpq -p\r\nntpq: read: Connection refused\r\n*# ", "ntpq -p"), 0);
    EXPECT_EQ(ParsePeerTable("=====\r\n*GPS\r\n# ", "ntpq -p"), 0);
    EXPECT_EQ(ParsePeerTable("ntpq -p 127.0.0.1\r\n========\r\n*GPS", "ntpq -p 127.0.0.1"), 1);
    // The table ending right after its rule or first line holds no selected peer.
    EXPECT_EQ(ParsePeerTable("ntpq -p\n===", "ntpq -p"), 0);
    EXPECT_EQ(ParsePeerTable("ntpq -p\n========\n LOCAL", "ntpq -p"), 0);
}

} // namespace
