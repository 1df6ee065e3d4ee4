#include "devicelog/LogCsv.h"

#include <gtest/gtest.h>

#include <vector>

TEST(LogCsv, QuotesWhatNeedsItAndKeepsFormulasAsText) {
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

TEST(LogCsv, NoEventsIsTheHeaderAlone) {
    EXPECT_EQ(EventsCsv({}), "time_utc,address,severity,code,text\r\n");
}

TEST(LogCsv, ReadingsHaveTheirOffsetUncertaintyAndLampsAndLeaveEmptyWhatWasNotRead) {
    LogReading read;
    read.pcUnixMicros = 1765201279123456;
    read.hasOffset = true;
    read.offsetSeconds = -0.00123456;
    read.uncertaintySeconds = 0.0005f;
    read.gps = LampState::On;
    read.timeSync = LampState::Off;
    LogReading unread;
    unread.pcUnixMicros = 1765201280000000;
    const std::vector<LogReading> readings = {read, unread};
    EXPECT_EQ(ReadingsCsv(readings), "time_utc,offset_s,uncertainty_s,gps_lock,time_sync\r\n"
                                     "2025-12-08T13:41:19.123456Z,-0.001235,0.000500,1,0\r\n"
                                     "2025-12-08T13:41:20.000000Z,,,,\r\n");
}
