#include "DeviceAnswers.h"

#include "DeviceDialect.h"
#include "devicetext/PeerLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

const char* SkipLineBreaks(const char* text) {
    return text + std::strspn(text, "\r\n");
}

// The text after the first occurrence of marker and the line breaks that follow it, or null.
const char* AfterMarker(const char* text, const char* marker) {
    const char* found = std::strstr(text, marker);
    return found == nullptr ? nullptr : SkipLineBreaks(found + std::strlen(marker));
}

constexpr std::int64_t kLastMicros = 999999;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// An unsigned decimal number from 0 to limit at text, with end set past it. strtoll reports overflow only
// through errno, so it is cleared first; a sign is refused before strtoll could take it.
std::optional<std::int64_t> ReadNumber(const char* text, std::int64_t limit, char** end) {
    if (!IsDigit(*text)) {
        return std::nullopt;
    }
    errno = 0;
    const long long value = std::strtoll(text, end, 10);
    if (errno == ERANGE || value > limit) {
        return std::nullopt;
    }
    return value;
}

// The start of the line under the peer table's header.
constexpr std::string_view kPeerTableRule = "========";

} // namespace

std::string_view AnswerText(std::string_view text, std::string_view marker) {
    if (text.ends_with(kShellPrompt)) {
        text.remove_suffix(kShellPrompt.size());
    }
    if (const std::size_t at = text.find(marker); at != std::string_view::npos) {
        text.remove_prefix(at + marker.size());
    }
    const std::size_t first = text.find_first_not_of("\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of("\r\n") + 1 - first);
}

std::optional<std::string_view> ParseVersionAnswer(const char* text, const char* marker) {
    const char* line = AfterMarker(text, marker);
    if (line == nullptr) {
        return std::nullopt;
    }
    const std::size_t length = std::strcspn(line, "\r\n");
    // Only a line that ended is an answer: after an empty one the marker is followed by the prompt.
    if (length == 0 || line[length] == '\0') {
        return std::nullopt;
    }
    return std::string_view(line, std::min(length, kVersionLength));
}

std::optional<DeviceClockReading> ReadDeviceClock(const char* text) {
    char* end = nullptr;
    const std::optional<std::int64_t> seconds =
        ReadNumber(text + std::strspn(text, kAnswerBlanks), kDeviceSecondsLimit, &end);
    if (!seconds || *end != '.') {
        return std::nullopt;
    }
    const std::optional<std::int64_t> micros = ReadNumber(end + 1, kLastMicros, &end);
    if (!micros) {
        return std::nullopt;
    }
    // The letter must share the numbers' line: without it, the prompt's '#' on the next would be taken.
    // strchr also finds the terminator, so the letter may end the text.
    const char* letter = end + std::strspn(end, kAnswerBlanks);
    if (letter == end || !IsLetter(*letter) || std::strchr(" \t\r\n", letter[1]) == nullptr) {
        return std::nullopt;
    }
    return DeviceClockReading{*seconds, *micros, *letter};
}

std::optional<DeviceClockReading> ParseGetdateAnswer(const char* text) {
    const char* reading = AfterMarker(text, kGetdateMarker);
    if (reading == nullptr) {
        return std::nullopt;
    }
    return ReadDeviceClock(reading);
}

void CPeerTableReader::OnLine(std::string_view line) {
    if (m_stage == Stage::Marker) {
        const std::size_t at = line.find(m_marker);
        if (at == std::string_view::npos) {
            return;
        }
        line.remove_prefix(at + m_marker.size());
        m_stage = Stage::Rule;
    }
    if (m_stage == Stage::Rule) {
        const std::size_t at = line.find(kPeerTableRule);
        if (at == std::string_view::npos) {
            return;
        }
        line.remove_prefix(at);
        // What follows the rule on its own line counts as the first peer line, as it always has.
        line.remove_prefix(std::min(line.find_first_not_of('='), line.size()));
        m_stage = Stage::FirstPeer;
    }
    if (line.empty()) {
        return;
    }
    TakePeer(line);
    if (m_stage == Stage::Done) {
        return;
    }
    // The lamp keeps its own rule: a '*' that starts either of the first two lines, peer line or not.
    if (line.front() == '*') {
        m_result = true;
        m_stage = Stage::Done;
    } else {
        m_stage = m_stage == Stage::FirstPeer ? Stage::SecondPeer : Stage::Done;
    }
}

void CPeerTableReader::TakePeer(std::string_view line) {
    std::optional<NtpPeer> peer = ParsePeerLine(line);
    if (!peer) {
        return;
    }
    if (m_table.peers.size() < kKeptPeers) {
        m_table.peers.push_back(std::move(*peer));
    } else {
        ++m_table.unkeptPeers;
    }
}

CPeerTableReader ReadPeerTable(const char* text, const char* marker) {
    CPeerTableReader reader(marker);
    std::string_view rest(text);
    for (;;) {
        const std::size_t end = rest.find_first_of("\r\n");
        reader.OnLine(rest.substr(0, end));
        if (end == std::string_view::npos) {
            return reader;
        }
        rest.remove_prefix(end + 1);
    }
}

bool ParsePeerTable(const char* text, const char* marker) {
    return ReadPeerTable(text, marker).Result();
}
