// The peer table read by its lines, with either dialect's marker, against the whole-text search the
// link used before it read tables line by line: both must agree on every text.
#include "FuzzInput.h"

#include "link/DeviceAnswers.h"
#include "link/DeviceDialect.h"
#include "link/PeerLine.h"

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace {

const char* SkipLineBreaks(const char* text) {
    return text + std::strspn(text, "\r\n");
}

// The reference: the table's first or second non-blank line after the rule starts with '*'.
IndicatorState SearchWholeText(const char* text, const char* marker) {
    const char* found = std::strstr(text, marker);
    if (found == nullptr) {
        return 0;
    }
    const char* rule = std::strstr(found + std::strlen(marker), "========");
    if (rule == nullptr) {
        return 0;
    }
    const char* firstPeer = SkipLineBreaks(rule + std::strspn(rule, "="));
    if (*firstPeer == '*') {
        return 1;
    }
    return *SkipLineBreaks(firstPeer + std::strcspn(firstPeer, "\r\n")) == '*' ? 1 : 0;
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
IndicatorState ReadByLines(const std::string& text, const char* marker) {
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
    return reader.Result();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(AsText(data, size));
    for (const DeviceDialect* dialect : {&kShellDialect, &kTelnetDialect}) {
        const IndicatorState expected = SearchWholeText(text.c_str(), dialect->peerTableMarker);
        FuzzCheck(ReadByLines(text, dialect->peerTableMarker) == expected,
                  "line by line reads as the whole text");
        FuzzCheck(ParsePeerTable(text.c_str(), dialect->peerTableMarker) == expected,
                  "the whole-text reader agrees");
    }
    return 0;
}
