#include "PluginRange.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The whole text as a finite number.
std::optional<double> Number(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string NumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

} // namespace

std::optional<PluginRange> ParsePluginRange(std::string_view text) {
    PluginRange range;
    if (text.starts_with('@')) {
        range.inside = true;
        text.remove_prefix(1);
    }
    const std::size_t colon = text.find(':');
    std::optional<double> end;
    if (colon == std::string_view::npos) {
        end = Number(text);
    } else {
        const std::string_view start = text.substr(0, colon);
        // An empty start is 0, as the plugins' own parser reads it.
        const std::optional<double> number = start == "~" ? -kInfinity : start.empty() ? 0.0 : Number(start);
        if (!number) {
            return std::nullopt;
        }
        range.start = *number;
        end = colon + 1 == text.size() ? kInfinity : Number(text.substr(colon + 1));
    }
    if (!end || *end < range.start) {
        return std::nullopt;
    }
    range.end = *end;
    return range;
}

PluginRange UpTo(double limit) {
    return PluginRange{.start = 0, .end = limit, .inside = false};
}

std::string PluginRangeText(const PluginRange& range) {
    std::string text = range.inside ? "@" : "";
    if (range.start == 0 && std::isfinite(range.end)) {
        return text + NumberText(range.end);
    }
    text += std::isfinite(range.start) ? NumberText(range.start) + ":" : "~:";
    return std::isfinite(range.end) ? text + NumberText(range.end) : text;
}

bool RangeAlerts(const PluginRange& range, double value) {
    return RangeAlertsThroughout(range, value, value);
}

bool RangeAlertsThroughout(const PluginRange& range, double low, double high) {
    if (range.inside) {
        return range.start <= low && high <= range.end;
    }
    return high < range.start || low > range.end;
}

bool RangeAlertsSomewhere(const PluginRange& range, double low, double high) {
    if (range.inside) {
        return low <= range.end && high >= range.start;
    }
    return low < range.start || high > range.end;
}

bool IsUpperBound(const PluginRange& range) {
    return !range.inside && range.start <= 0;
}
