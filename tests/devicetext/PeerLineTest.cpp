#include "devicetext/PeerLine.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct PeerCase {
    const char* line;
    char tally;
    const char* remote;
    const char* refid;
    int stratum;
    std::optional<std::int64_t> whenSeconds;
    std::int64_t pollSeconds;
    int answeredPolls;
    double delayMs;
    double offsetMs;
    double jitterMs;
};

TEST(PeerLine, ReadsEveryColumnOfTheLinesTheDaemonPrints) {
    for (const PeerCase& row : {
             PeerCase{"*GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    0.012   0.004", '*',
                      "GPS_NMEA(0)", ".GPS.", 0, 9, 16, 8, 0.0, 0.012, 0.004},
             PeerCase{"+ntp2.example.c 192.168.1.1      2 u  12m 1024   17    1.234   -0.567   0.089", '+',
                      "ntp2.example.c", "192.168.1.1", 2, 720, 1024, 4, 1.234, -0.567, 0.089},
             PeerCase{" LOCAL(0)        .LOCL.          10 l   3h   2d    0    0.000   +0.000   0.000", ' ',
                      "LOCAL(0)", ".LOCL.", 10, 10800, 172800, 0, 0.0, 0.0, 0.0},
             // never answered
             PeerCase{"x10.0.0.5       .INIT.          16 u    -   64    0    0.000    0.000   0.000", 'x',
                      "10.0.0.5", ".INIT.", 16, std::nullopt, 64, 0, 0.0, 0.0, 0.0},
             // wide figures run together, and a one-letter refid
             PeerCase{"-peer-7.lan      A                3 u   59   64  376 12345.678-1234.567-99.999", '-',
                      "peer-7.lan", "A", 3, 59, 64, 7, 12345.678, -1234.567, -99.999},
         }) {
        const std::optional<NtpPeer> peer = ParsePeerLine(row.line);
        ASSERT_TRUE(peer) << row.line;
        EXPECT_EQ(peer->tally, row.tally) << row.line;
        EXPECT_EQ(peer->remote, row.remote) << row.line;
        EXPECT_EQ(peer->refid, row.refid) << row.line;
        EXPECT_EQ(peer->stratum, row.stratum) << row.line;
        EXPECT_EQ(peer->whenSeconds, row.whenSeconds) << row.line;
        EXPECT_EQ(peer->pollSeconds, row.pollSeconds) << row.line;
        EXPECT_EQ(AnsweredPolls(peer->reach), row.answeredPolls) << row.line;
        EXPECT_DOUBLE_EQ(peer->delayMs, row.delayMs) << row.line;
        EXPECT_DOUBLE_EQ(peer->offsetMs, row.offsetMs) << row.line;
        EXPECT_DOUBLE_EQ(peer->jitterMs, row.jitterMs) << row.line;
    }
}

TEST(PeerLine, RefusesWhatIsNotAWholePeerLineInRange) {
    for (const char* line : {
             "", "# ", "==============================================================================",
             "     remote           refid      st t when poll reach   delay   offset  jitter",
             "*GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    0.012", // a column short
             "*GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    0.012   0.004 1", // one too
                                                                                                 // many
             "*GPS_NMEA(0)     .GPS.           17 l    9   16  377    0.000    0.012   0.004",   // stratum
             "*GPS_NMEA(0)     .GPS.            0 l    9   16  400    0.000    0.012   0.004", // reach, octal
             "*GPS_NMEA(0)     .GPS.            0 l    9   16    8    0.000    0.012   0.004",
             "*GPS_NMEA(0)     .GPS.            0 l   9x   16  377    0.000    0.012   0.004", // when's unit
             "*GPS_NMEA(0)     .GPS.            0 l    9  -16  377    0.000    0.012   0.004",
             "*GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000      nan   0.004",
             "*GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    1e300   0.004",
             "*GPS_NMEA(0)     .GPS.            0 ll   9   16  377    0.000    0.012   0.004", // type
             "*0123456789abcdef .GPS.           0 l    9   16  377    0.000    0.012   0.004", // remote of 16
             "?GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    0.012   0.004", // tally code
         }) {
        EXPECT_FALSE(ParsePeerLine(line)) << '"' << line << '"';
    }
}

} // namespace
