// What the log window's list shows of the events: newest first, as the filter lets through.
#include "ui/DeviceLogRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Codes(const std::vector<EventRow>& rows) {
    std::vector<std::string> codes;
    for (const EventRow& row : rows) {
        codes.push_back(row.source.code);
    }
    return codes;
}

TEST(DeviceLogRows, NewestFirstThroughTheFilter) {
    const std::deque<LoggedEvent> events = {
        {{1, "127.0.176.1", "connected", EventSeverity::Info, "Connected"}, true},
        {{2, "127.0.176.1", "gps-lock-lost", EventSeverity::Warning, "GPS lock lost"}, false},
        {{3, "127.0.176.1", "connection-lost", EventSeverity::Critical, "Connection lost"}, false},
    };
    const struct {
        EventFilter filter;
        std::vector<std::string> codes;
    } cases[] = {
        {EventFilter::All, {"connection-lost", "gps-lock-lost", "connected"}},
        {EventFilter::WarningsAndCritical, {"connection-lost", "gps-lock-lost"}},
        {EventFilter::CriticalOnly, {"connection-lost"}},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(Codes(ShownRows(events, row.filter)), row.codes);
    }
    const std::vector<EventRow> all = ShownRows(events, EventFilter::All);
    EXPECT_EQ(all.back().seen, "earlier");
    EXPECT_EQ(all.back().details, "info, 127.0.176.1, connected");
    EXPECT_EQ(all.front().seen, "");
    // Whole rows, the mark first.
    EXPECT_EQ(RowsText(std::span(all).last(1)).substr(0, 36), "earlier\t1970-01-01T00:00:00.000001Z\t");
    EXPECT_TRUE(RowsText(std::span(all).last(1)).ends_with("\tConnected\tinfo, 127.0.176.1, connected\n"));
}

} // namespace
