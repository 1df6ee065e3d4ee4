// The report of a round as the writer delivers it, to a temporary file instead of stdout.
#include "report/ReportWriter.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string Delivered(std::FILE* out) {
    std::string text(4096, '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    return text;
}

// The textfile's path comes from the command line: the Nagios line repeats it, escaped, with no '|'
// that would start the performance data.
TEST(ReportWriter, UnwritableTextfileIsNamedEscaped) {
    ReportSettings options;
    options.format = OutputFormat::Nagios;
    options.prometheusPath = "/nonexistent/\x1b]0;owned\x07|/x.prom";
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    ASSERT_TRUE(out);
    CReportWriter writer(options, out.get());
    DeviceRecord record;
    record.address = "127.0.77.9";
    record.reachable = true;
    EXPECT_TRUE(writer.Write({record}));
    EXPECT_EQ(writer.ExitSeverity(), Severity::Unknown);
    const std::string line = Delivered(out.get());
    EXPECT_TRUE(
        line.starts_with("VANTREX UNKNOWN - cannot write '/nonexistent/\\x1b]0;owned\\x07\\x7c/x.prom': "))
        << line;
    EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    EXPECT_EQ(line.find('|'), std::string::npos) << line;
}

// An unwritable textfile is this PC's failure, UNKNOWN, but a CRITICAL device still decides the exit
// status: the plugins' order puts CRITICAL first.
TEST(ReportWriter, CriticalDeviceOutranksAnUnwritableTextfile) {
    ReportSettings options;
    options.format = OutputFormat::Nagios;
    options.prometheusPath = "/nonexistent/x.prom";
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    ASSERT_TRUE(out);
    CReportWriter writer(options, out.get());
    DeviceRecord record;
    record.address = "127.0.77.9";
    record.failure = "connection refused";
    EXPECT_TRUE(writer.Write({record}));
    EXPECT_EQ(writer.ExitSeverity(), Severity::Critical);
    EXPECT_TRUE(Delivered(out.get()).starts_with("VANTREX CRITICAL - cannot write '/nonexistent/x.prom': "))
        << Delivered(out.get());
}

// Each device's clock is followed from round to round, whatever the others do.
TEST(ReportWriter, ReportsAClockStepBetweenRounds) {
    ReportSettings options;
    options.format = OutputFormat::Json;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    ASSERT_TRUE(out);
    CReportWriter writer(options, out.get());
    DeviceRecord steady;
    steady.reachable = true;
    steady.offsetSeconds = 0.5;
    DeviceRecord stepped = steady;
    ASSERT_TRUE(writer.Write({steady, stepped}));
    stepped.offsetSeconds = 3.0;
    ASSERT_TRUE(writer.Write({steady, stepped}));
    const std::string text = Delivered(out.get());
    EXPECT_EQ(text.find("clock-step"), text.rfind("clock-step")) << text;
    EXPECT_NE(
        text.rfind(
            "\"code\":\"clock-step\",\"severity\":\"WARNING\",\"text\":\"device clock stepped by +2.5 s\""),
        std::string::npos)
        << text;
    EXPECT_EQ(writer.ExitSeverity(), Severity::Warning);
}

} // namespace
