// Thresholds in the monitoring-plugin range syntax: what each form alerts on, how it is written back,
// and what is refused.
#include "health/PluginRange.h"

#include <gtest/gtest.h>

namespace {

// The values each range is tried at, and one character per value: 'A' where it alerts.
constexpr double kProbes[] = {-1, 0, 10, 15, 20, 25};

TEST(PluginRange, EachFormAlertsWhereTheGuidelinesSay) {
    const struct {
        const char* text;
        const char* alerts; // "" for a range that is refused
        const char* written;
    } cases[] = {
        {"10", "A..AAA", "10"},         // outside 0..10
        {"10:", "AA....", "10:"},       // outside 10..infinity
        {"~:10", "...AAA", "~:10"},     // outside -infinity..10
        {"10:20", "AA...A", "10:20"},   // outside 10..20
        {"@10:20", "..AAA.", "@10:20"}, // inside 10..20
        {"0:10", "A..AAA", "10"},
        {"1e1:1.5e1", "AA..AA", "10:15"},
        {"@~:0", "AA....", "@~:0"},
        {"", "", ""},
        {"@", "", ""},
        {"~", "", ""},
        {":10", "A..AAA", "10"}, // an empty start is 0, as the plugins' own parser takes it
        {"@:10", ".AA...", "@10"},
        {":", "A.....", "0:"},
        {"20:10", "", ""},
        {"-5", "", ""},
        {"10:x", "", ""},
        {"10 ", "", ""},
        {"nan", "", ""},
        {"1:inf", "", ""},
        {"1e999", "", ""},
    };
    for (const auto& c : cases) {
        const std::optional<PluginRange> range = ParsePluginRange(c.text);
        ASSERT_EQ(range.has_value(), *c.alerts != '\0') << '\'' << c.text << '\'';
        if (!range) {
            continue;
        }
        std::string alerts;
        for (const double value : kProbes) {
            alerts += RangeAlerts(*range, value) ? 'A' : '.';
        }
        EXPECT_EQ(alerts, c.alerts) << c.text;
        EXPECT_EQ(PluginRangeText(*range), c.written) << c.text;
    }
}

// A reading known only to lie within low..high alerts surely when all of it does.
TEST(PluginRange, AnIntervalAlertsThroughoutOrSomewhere) {
    const struct {
        const char* text;
        double low, high;
        bool throughout, somewhere;
    } cases[] = {
        {"5", 4, 6, false, true},       {"5", 5.5, 6, true, true},      {"5", 1, 5, false, false},
        {"@10:20", 12, 18, true, true}, {"@10:20", 8, 12, false, true}, {"10:20", 8, 12, false, true},
    };
    for (const auto& c : cases) {
        const PluginRange range = *ParsePluginRange(c.text);
        EXPECT_EQ(RangeAlertsThroughout(range, c.low, c.high), c.throughout) << c.text << ' ' << c.low;
        EXPECT_EQ(RangeAlertsSomewhere(range, c.low, c.high), c.somewhere) << c.text << ' ' << c.low;
    }
}

} // namespace
