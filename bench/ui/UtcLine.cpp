#include "UtcLine.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include <charconv>
#include <ctime>
#include <sstream>

namespace {

constexpr int kMonthCount = 12;

// Reads a whole decimal field within [low, high].
std::optional<int> ReadField(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// The month index 0 to 11 of a month name as the window prints it (the window's own string table).
std::optional<int> ReadMonth(const std::string& name) {
    for (int month = 0; month < kMonthCount; ++month) {
        if (name == LoadStringResource(IDS_MONTH_JANUARY + month)) {
            return month;
        }
    }
    return std::nullopt;
}

// "HH:MM:SS" into the time fields of calendar; false when it is not a valid time of day.
bool ReadTimeOfDay(std::string_view text, std::tm& calendar) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
        return false;
    }
    const auto hour = ReadField(text.substr(0, 2), 0, 23);
    const auto minute = ReadField(text.substr(3, 2), 0, 59);
    const auto second = ReadField(text.substr(6, 2), 0, 60);
    if (!hour || !minute || !second) {
        return false;
    }
    calendar.tm_hour = *hour;
    calendar.tm_min = *minute;
    calendar.tm_sec = *second;
    return true;
}

} // namespace

std::optional<std::int64_t> ShownUtcSeconds(const std::string& statusLine) {
    std::istringstream words(statusLine);
    std::string time, day, month, year, zone, extra;
    if (!(words >> time >> day >> month >> year >> zone) || (words >> extra) || zone != "UTC") {
        return std::nullopt;
    }
    std::tm calendar{};
    const auto dayOfMonth = ReadField(day, 1, 31);
    const auto monthIndex = ReadMonth(month);
    const auto fullYear = ReadField(year, 1970, 9999);
    if (!ReadTimeOfDay(time, calendar) || !dayOfMonth || !monthIndex || !fullYear) {
        return std::nullopt;
    }
    calendar.tm_mday = *dayOfMonth;
    calendar.tm_mon = *monthIndex;
    calendar.tm_year = *fullYear - 1900;
    return static_cast<std::int64_t>(timegm(&calendar));
}
