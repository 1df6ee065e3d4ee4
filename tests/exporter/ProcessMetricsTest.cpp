#include "exporter/ProcessMetrics.h"
#include "exporter/DescriptorCount.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(ProcessMetrics, ReadsTheFieldsOfProcFiles) {
    // A command name may hold spaces and parentheses.
    EXPECT_EQ(StatCpuSeconds("1234 (a) b) c) S 1 1 1 0 -1 4194304 97 0 0 0 250 150 0 0 20 0 1 0 259489"),
              4.0);
    EXPECT_FALSE(StatCpuSeconds("1234 (a) S 1 1 1 0 -1 4194304 97 0 0 0"));
    EXPECT_FALSE(StatCpuSeconds("garbage"));

    const std::string status = "Name:\tvantrex exporter\nVmSize:\t2928 kB\nVmRSS:\t1760 kB\n";
    EXPECT_EQ(StatusBytes(status, "VmRSS:"), 1760.0 * 1024);
    EXPECT_EQ(StatusBytes(status, "VmSize:"), 2928.0 * 1024);
    EXPECT_FALSE(StatusBytes(status, "VmSwap:"));

    EXPECT_EQ(LimitsMaxOpenFiles("Max processes 63 63 processes\nMax open files  1024  4096  files\n"),
              1024.0);
    EXPECT_FALSE(LimitsMaxOpenFiles("Max open files unlimited unlimited files\n"));
}

TEST(ProcessMetrics, DescribesThisProcess) {
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    ASSERT_TRUE(loop);
    const CDescriptorCount descriptors(*loop);
    ProcessReading reading = ReadProcess();
    reading.openDescriptors = descriptors.Current();
    ASSERT_TRUE(reading.cpuSeconds && reading.residentBytes && reading.virtualBytes &&
                reading.openDescriptors && reading.maxDescriptors);
    EXPECT_GT(*reading.residentBytes, 0);
    EXPECT_GE(*reading.virtualBytes, *reading.residentBytes);
    EXPECT_GE(*reading.openDescriptors, 3); // standard input, output and error
    EXPECT_LE(*reading.openDescriptors, *reading.maxDescriptors);
    const std::string page = FormatProcessMetrics(reading, 1.7e9);
    EXPECT_NE(page.find("# TYPE process_cpu_seconds_total counter\n"), std::string::npos) << page;
    EXPECT_NE(page.find("\nprocess_start_time_seconds 1700000000\n"), std::string::npos) << page;
}

// The count a kernel without the size of /proc/self/fd falls back on: exact, whatever it holds open itself.
TEST(ProcessMetrics, CountsEveryDescriptorOpenedAndClosed) {
    const std::optional<double> before = CountOpenDescriptors();
    ASSERT_TRUE(before);
    std::vector<int> opened;
    for (int index = 0; index < 100; ++index) {
        opened.push_back(dup(0));
    }
    EXPECT_EQ(CountOpenDescriptors(), *before + 100);
    for (const int fd : opened) {
        close(fd);
    }
    EXPECT_EQ(CountOpenDescriptors(), before);
}

} // namespace
