#include "TimeLines.h"

#include "resources/resource.h"

#include <cstdio>
#include <ctime>
#include <utility>

namespace {

constexpr int kLastShowableYear = 9999;
constexpr int kTmYearBase = 1900;

std::optional<std::tm> BreakDown(std::int64_t seconds, CivilZone zone) {
    if (seconds < 0 || !std::in_range<std::time_t>(seconds)) {
        return std::nullopt;
    }
    const auto t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    // The line has room for a four-digit year only; a later year is treated like a failed conversion.
    if (!BreakDownTime(t, zone, parts) || parts.tm_year > kLastShowableYear - kTmYearBase) {
        return std::nullopt;
    }
    return parts;
}

std::optional<std::string> FormatParts(const std::tm& parts, const std::string& monthName,
                                       const char* zoneWord) {
    const auto print = [&](char* buffer, std::size_t size) {
        return std::snprintf(buffer, size, "%02d:%02d:%02d    %02d %s %02d    %s", parts.tm_hour,
                             parts.tm_min, parts.tm_sec, parts.tm_mday, monthName.c_str(),
                             parts.tm_year + kTmYearBase, zoneWord);
    };
    const int length = print(nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string line(static_cast<std::size_t>(length), '\0');
    // The string owns length + 1 bytes, so the terminating NUL lands on its own terminator.
    print(line.data(), line.size() + 1);
    return line;
}

} // namespace

std::optional<std::string> FormatTimeLine(std::int64_t seconds, CivilZone zone, const StringLookup& strings) {
    const std::optional<std::tm> parts = BreakDown(seconds, zone);
    if (!parts) {
        return std::nullopt;
    }
    const std::string monthName = strings(IDS_MONTH_JANUARY + parts->tm_mon);
    return FormatParts(*parts, monthName, zone == CivilZone::Utc ? "UTC" : "Local");
}
