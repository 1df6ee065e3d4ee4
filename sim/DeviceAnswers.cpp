#include "DeviceAnswers.h"

#include "DeviceTexts.h"

#include <array>
#include <cinttypes>
#include <cstdio>

namespace {

constexpr int kPeerCount = 3;
constexpr std::size_t kLongAnswerBytes = 10000;

// Tally of each peer when it is not the system peer. '#' is a real tally too, but never used here:
// the tool would take it for the shell prompt.
constexpr std::array<char, kPeerCount> kCandidateTallies = {'+', '+', ' '};
constexpr std::array<const char*, kPeerCount> kPeerLines = {
    "GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    0.012   0.004",
    "PPS(0)          .PPS.            0 l    8   16  377    0.000   -0.003   0.002",
    "LOCAL(0)        .LOCL.          10 l   41   64  377    0.000    0.000   0.000",
};

} // namespace

std::string FormatGetdateAnswer(DeviceTime time, char letter) {
    char line[64];
    std::snprintf(line, sizeof line, "%" PRId64 ".%06d %c", time.seconds, time.micros, letter);
    return std::string(line) + std::string(kLineEnd);
}

std::string FormatPeerTable(int systemPeer) {
    std::string table = "     remote           refid      st t when poll reach   delay   offset  jitter";
    table += kLineEnd;
    table += std::string(78, '=');
    table += kLineEnd;
    for (int peer = 1; peer <= kPeerCount; ++peer) {
        table += peer == systemPeer ? '*' : kCandidateTallies[peer - 1];
        table += kPeerLines[peer - 1];
        table += kLineEnd;
    }
    return table;
}

std::string LongAnswer() {
    std::string text;
    char line[96];
    for (int number = 1; text.size() < kLongAnswerBytes; ++number) {
        std::snprintf(line, sizeof line,
                      "%05d: 0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n", number);
        text += line;
    }
    return text;
}
