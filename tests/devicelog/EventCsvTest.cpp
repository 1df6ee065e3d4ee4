#include "devicelog/EventCsv.h"

#include <gtest/gtest.h>

#include <vector>

TEST(EventCsv, QuotesWhatNeedsItAndKeepsFormulasAsText) {
    const std::vector<DeviceEvent> events = {
        {1765201279123456, "127.0.176.1", "connected", EventSeverity::Info,
         "Connected to 127.0.176.1 (shell)"},
        {0, "10.0.0.1", "firmware-seen", EventSeverity::Warning, "Firmware \"2,4\"\n=SUM(A1) \xff"},
        {-1, "=1+1", "x", EventSeverity::Critical, "-2.5"},
    };
    EXPECT_EQ(EventsCsv(events), "time_utc,address,severity,code,text\r\n"
                                 "2025-12-08T13:41:19.123456Z,127.0.176.1,info,connected,"
                                 "Connected to 127.0.176.1 (shell)\r\n"
                                 "1970-01-01T00:00:00.000000Z,10.0.0.1,warning,firmware-seen,"
                                 "\"Firmware \"\"2,4\"\"\\x0a=SUM(A1) \\xff\"\r\n"
                                 "1969-12-31T23:59:59.999999Z,'=1+1,critical,x,'-2.5\r\n");
}

TEST(EventCsv, NoEventsIsTheHeaderAlone) {
    EXPECT_EQ(EventsCsv({}), "time_utc,address,severity,code,text\r\n");
}
