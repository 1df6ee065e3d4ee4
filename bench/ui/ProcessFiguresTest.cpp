#include "ProcessFigures.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(ProcessFiguresTest, CpuTicksCountFromTheLastParenthesis) {
    // A command name may hold blanks and parentheses of its own.
    const std::string stat =
        "4242 (a) b (c) S 1 4242 4242 0 -1 4194560 100 0 0 0 17 25 0 0 20 0 3 0 123 456 78";
    EXPECT_EQ(CpuTicks(stat), 42u);
    EXPECT_FALSE(CpuTicks("4242 (short) S 1 2").has_value());
    EXPECT_FALSE(CpuTicks("no name at all").has_value());
    EXPECT_FALSE(CpuTicks("1 (x) S 1 1 1 0 -1 0 0 0 0 0 -5 25").has_value());
}

TEST(ProcessFiguresTest, StatusFieldsInKilobytes) {
    const std::string status = "Name:\tbench\nVmHWM:\t   51200 kB\nVmRSS:\t   40960 kB\nThreads:\t3\n";
    EXPECT_EQ(StatusFieldKb(status, "VmRSS"), 40960);
    EXPECT_EQ(StatusFieldKb(status, "VmHWM"), 51200);
    EXPECT_FALSE(StatusFieldKb(status, "VmSwap").has_value());
    EXPECT_FALSE(StatusFieldKb(status, "Threads").has_value()); // not a size
}

TEST(ProcessFiguresTest, ReadsThisProcess) {
    const auto figures = ReadProcessFigures("self");
    ASSERT_TRUE(figures.has_value());
    EXPECT_GT(figures->rssKb, 0);
    EXPECT_GE(figures->hwmKb, figures->rssKb);
    EXPECT_GE(figures->threads, 1);
    // stdin, stdout and stderr at least; the listing's own descriptor is not counted.
    const int before = figures->descriptors;
    EXPECT_GE(before, 3);
    const int extra = dup(1);
    ASSERT_GE(extra, 0);
    EXPECT_EQ(ReadProcessFigures("self")->descriptors, before + 1);
    close(extra);
    EXPECT_FALSE(ReadProcessFigures("0").has_value());
}
