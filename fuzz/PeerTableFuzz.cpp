// The peer table read by its lines, with either dialect's marker, against the whole-text search the
// link used before it read tables line by line: both must agree on every text, on the lamp and on the
// peers, and the peers kept stay within their bound however long the table.
#include "FuzzInput.h"

#include "devicetext/PeerLine.h"
#include "link/DeviceAnswers.h"
#include "link/DeviceDialect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace {

const char* SkipLineBreaks(const char* text) {
    return text + std::strspn(text, "\r\n");
}

// What follows the run of '=' of the rule after the marker, or null when there is no table.
const char* AfterRule(const char* text, const char* marker) {
    const char* found = std::strstr(text, marker);
    if (found == nullptr) {
        return nullptr;
    }
    const char* rule = std::strstr(found + std::strlen(marker), "========");
    return rule == nullptr ? nullptr : rule + std::strspn(rule, "=");
}

// The reference: the table's first or second non-blank line after the rule starts with '*'.
bool SearchWholeText(const char* text, const char* marker) {
    const char* afterRule = AfterRule(text, marker);
    if (afterRule == nullptr) {
        return false;
    }
    const char* firstPeer = SkipLineBreaks(afterRule);
    if (*firstPeer == '*') {
        return true;
    }
    return *SkipLineBreaks(firstPeer + std::strcspn(firstPeer, "\r\n")) == '*';
}

// The reference count of peers: the lines after the rule that read as peer lines.
std::size_t CountPeerLines(const char* text, const char* marker) {
    const char* line = AfterRule(text, marker);
    std::size_t count = 0;
    while (line != nullptr && *line != '\0') {
        const std::size_t length = std::strcspn(line, "\r\n");
        count += ParsePeerLine(std::string_view(line, length)) ? 1 : 0;
        line = SkipLineBreaks(line + length);
    }
    return count;
}

// Whatever a line holds, a peer read from it has every field in its range.
void CheckPeerLine(std::string_view line) {
    const std::optional<NtpPeer> peer = ParsePeerLine(line);
    if (!peer) {
        return;
    }
    FuzzCheck(peer->remote.size() <= kPeerNameLength && peer->refid.size() <= kPeerNameLength,
              "names are cut to the table's width");
    FuzzCheck(peer->stratum >= 0 && peer->stratum <= 16 && peer->reach <= 0377, "counts in range");
    FuzzCheck(peer->pollSeconds >= 0 && peer->whenSeconds.value_or(0) >= 0, "times are not negative");
    FuzzCheck(std::isfinite(peer->delayMs) && std::isfinite(peer->offsetMs) && std::isfinite(peer->jitterMs),
              "figures are finite");
}

// The lines as the link hands them over: each ended by CR or LF, the prompt's unended line last.
CPeerTableReader ReadByLines(const std::string& text, const char* marker) {
    CPeerTableReader reader(marker);
    std::string line;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            CheckPeerLine(line);
            reader.OnLine(line);
            line.clear();
        } else {
            line += c;
        }
    }
    reader.OnLine(line);
    return reader;
}

bool SamePeers(const PeerTable& a, const PeerTable& b) {
    return a.unkeptPeers == b.unkeptPeers &&
           std::equal(
               a.peers.begin(), a.peers.end(), b.peers.begin(), b.peers.end(),
               [](const NtpPeer& x, const NtpPeer& y) { return x.remote == y.remote && x.reach == y.reach; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(AsText(data, size));
    for (const DeviceDialect* dialect : {&kShellDialect, &kTelnetDialect}) {
        const bool expected = SearchWholeText(text.c_str(), dialect->peerTableMarker);
        const CPeerTableReader byLines = ReadByLines(text, dialect->peerTableMarker);
        const CPeerTableReader whole = ReadPeerTable(text.c_str(), dialect->peerTableMarker);
        FuzzCheck(byLines.Result() == expected, "line by line reads as the whole text");
        FuzzCheck(whole.Result() == expected, "the whole-text reader agrees");
        FuzzCheck(SamePeers(byLines.Table(), whole.Table()), "both readers keep the same peers");
        const std::size_t peerLines = CountPeerLines(text.c_str(), dialect->peerTableMarker);
        const PeerTable& table = whole.Table();
        FuzzCheck(table.peers.size() == std::min(peerLines, kKeptPeers) &&
                      table.peers.size() + table.unkeptPeers == peerLines,
                  "every peer line is kept up to the bound and counted beyond it");
    }
    return 0;
}
