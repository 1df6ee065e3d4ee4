#pragma once

#include <optional>
#include <string>
#include <string_view>

// A threshold in the monitoring-plugin range syntax: [@]start:end, where "10" and ":10" are 0:10, "10:"
// has no end, "~:" no start. A value alerts outside start..end (ends included), or inside it after '@'.
struct PluginRange {
    double start = 0;    // -infinity after "~"
    double end = 0;      // +infinity when left out
    bool inside = false; // '@': alert inside start..end
};

// The range text describes, or nothing when it is malformed (not finite numbers, start above end).
std::optional<PluginRange> ParsePluginRange(std::string_view text);

// The range as "0:limit" reads from a plain limit: values beyond limit alert.
PluginRange UpTo(double limit);

// The range in its shortest syntax ("5", "10:", "~:10", "@10:20"), as performance data repeats it.
std::string PluginRangeText(const PluginRange& range);

// Whether value alerts against the range.
bool RangeAlerts(const PluginRange& range, double value);

// Whether every value from low to high alerts, and whether any does (low not above high).
bool RangeAlertsThroughout(const PluginRange& range, double low, double high);
bool RangeAlertsSomewhere(const PluginRange& range, double low, double high);

// Whether the range only bounds values from above on the non-negative axis (as "5" or "~:5" does):
// the only kind a WARNING and a CRITICAL limit can be compared in.
bool IsUpperBound(const PluginRange& range);
