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

struct SimPeer {
    const char* remote;
    const char* refid;
    int stratum;
    int when;
    int poll;
    double offsetMs;
    double jitterMs;
};

// A healthy receiver: every poll answered, delays of a reference clock, jitter of microseconds.
constexpr std::array<SimPeer, kPeerCount> kPeers = {{
    {"GPS_NMEA(0)", ".GPS.", 0, 9, 16, 0.012, 0.004},
    {"PPS(0)", ".PPS.", 0, 8, 16, -0.003, 0.002},
    {"LOCAL(0)", ".LOCL.", 10, 41, 64, 0.000, 0.000},
}};
constexpr unsigned kEveryPollAnswered = 0377;

// One line without its tally, in the daemon's columns.
std::string PeerLine(const SimPeer& peer, unsigned reach, double jitterMs) {
    char line[160];
    std::snprintf(line, sizeof line, "%-16s%-16s%2d l %4d %4d %4o %8.3f %8.3f %7.3f", peer.remote, peer.refid,
                  peer.stratum, peer.when, peer.poll, reach, 0.0, peer.offsetMs, jitterMs);
    return line;
}

} // namespace

std::string FormatGetdateAnswer(DeviceTime time, char letter) {
    char line[64];
    std::snprintf(line, sizeof line, "%" PRId64 ".%06d %c", time.seconds, time.micros, letter);
    return std::string(line) + std::string(kLineEnd);
}

std::string FormatPeerTable(int systemPeer, char systemTally, std::optional<unsigned> systemReach,
                            std::optional<double> systemJitterMs) {
    std::string table = "     remote           refid      st t when poll reach   delay   offset  jitter";
    table += kLineEnd;
    table += std::string(78, '=');
    table += kLineEnd;
    for (int peer = 1; peer <= kPeerCount; ++peer) {
        const SimPeer& line = kPeers[peer - 1];
        const bool system = peer == systemPeer;
        table += system ? systemTally : kCandidateTallies[peer - 1];
        table += system ? PeerLine(line, systemReach.value_or(kEveryPollAnswered),
                                   systemJitterMs.value_or(line.jitterMs))
                        : PeerLine(line, kEveryPollAnswered, line.jitterMs);
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
