#include "DeviceAnswers.h"

#include "DeviceDialect.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const char* SkipLineBreaks(const char* text) {
    return text + std::strspn(text, "\r\n");
}

const char* SkipLine(const char* text) {
    return SkipLineBreaks(text + std::strcspn(text, "\r\n"));
}

// The text after the first occurrence of marker and the line breaks that follow it, or null.
const char* AfterMarker(const char* text, const char* marker) {
    const char* found = std::strstr(text, marker);
    return found == nullptr ? nullptr : SkipLineBreaks(found + std::strlen(marker));
}

// strtoll and strtol report overflow only through errno, so it is cleared before each.
std::optional<std::int64_t> ReadSeconds(const char* text, char** end) {
    errno = 0;
    const long long value = std::strtoll(text, end, 10);
    if (*end == text || errno == ERANGE || value > kDeviceSecondsLimit || value < -kDeviceSecondsLimit) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ReadMicros(const char* text, char** end) {
    errno = 0;
    const long value = std::strtol(text, end, 10);
    if (*end == text || errno == ERANGE || value > INT_MAX || value < INT_MIN) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::string_view> ParseVersionAnswer(const char* text, const char* marker) {
    const char* line = AfterMarker(text, marker);
    if (line == nullptr) {
        return std::nullopt;
    }
    return std::string_view(line, std::min(std::strcspn(line, "\r\n"), kVersionLength));
}

std::optional<DeviceClockReading> ReadDeviceClock(const char* text) {
    char* end = nullptr;
    const std::optional<std::int64_t> seconds = ReadSeconds(text, &end);
    if (!seconds || *end != '.') {
        return std::nullopt;
    }
    const std::optional<std::int64_t> micros = ReadMicros(end + 1, &end);
    if (!micros) {
        return std::nullopt;
    }
    while (std::isspace(static_cast<unsigned char>(*end))) {
        ++end;
    }
    if (*end == '\0') {
        return std::nullopt;
    }
    return DeviceClockReading{*seconds, *micros, *end};
}

std::optional<DeviceClockReading> ParseGetdateAnswer(const char* text) {
    const char* reading = AfterMarker(text, kGetdateMarker);
    if (reading == nullptr) {
        return std::nullopt;
    }
    return ReadDeviceClock(reading);
}

IndicatorState ParsePeerTable(const char* text, const char* marker) {
    const char* table = AfterMarker(text, marker);
    if (table == nullptr || *table == '\0') {
        return 0;
    }
    const char* rule = std::strstr(table, "========");
    if (rule == nullptr) {
        return 0;
    }
    const char* firstPeer = SkipLineBreaks(rule + std::strspn(rule, "="));
    if (*firstPeer == '*') {
        return 1;
    }
    return *SkipLine(firstPeer) == '*' ? 1 : 0;
}
