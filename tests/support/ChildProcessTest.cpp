#include "tests/support/ChildProcess.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace {

TEST(ChildProcessTest, ReadsLinesAcrossPartialWritesAndTellsTheExitStatus) {
    CChildProcess child;
    ASSERT_TRUE(child.Start({"/bin/sh", "-c", "printf 'one\\ntw'; sleep 0.1; printf 'o\\nthree'; exit 3"}));
    EXPECT_EQ(child.ReadLine(5000), "one");
    EXPECT_EQ(child.ReadLine(5000), "two");
    // A last line without its line feed is never returned as a whole line.
    EXPECT_FALSE(child.ReadLine(5000).has_value());
    EXPECT_EQ(child.Finish(5000), 3);
    EXPECT_FALSE(child.IsRunning());
}

TEST(ChildProcessTest, StopEndsAProgramThatWouldRunOn) {
    CChildProcess child;
    ASSERT_TRUE(child.Start({"/bin/sleep", "60"}));
    EXPECT_TRUE(child.IsRunning());
    // Silence is bounded by the time-out.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(child.ReadLine(100).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(child.Stop(), 128 + 15); // SIGTERM
    EXPECT_EQ(child.Pid(), -1);

    ASSERT_TRUE(child.Start({"/bin/sleep", "60"}));
    EXPECT_EQ(child.Stop(SIGINT), 128 + SIGINT);
}

TEST(ChildProcessTest, AProgramThatCannotBeStartedIsReportedNotStarted) {
    CChildProcess child;
    EXPECT_FALSE(child.Start({}));
    EXPECT_FALSE(child.Start({"/nonexistent/program"}));
    EXPECT_FALSE(child.IsRunning());
    EXPECT_EQ(child.Stop(), -1);

    // Nor does a failed start report the status of the program that ran before it.
    ASSERT_TRUE(child.Start({"/bin/sh", "-c", "exit 4"}));
    EXPECT_EQ(child.Finish(5000), 4);
    EXPECT_FALSE(child.Start({"/nonexistent/program"}));
    EXPECT_EQ(child.Stop(), -1);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(ChildProcessTest, StderrGoesIntoTheGivenFileOrNowhereButNeverIntoStdout) {
    char folder[] = "/tmp/vantrex-child-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string errorPath = std::string(folder) + "/stderr.txt";
    const std::vector<std::string> noisy{"/bin/sh", "-c", "echo out; echo err >&2"};

    CChildProcess child;
    ASSERT_TRUE(child.Start(noisy, errorPath));
    EXPECT_EQ(child.ReadLine(5000), "out");
    EXPECT_FALSE(child.ReadLine(5000).has_value());
    EXPECT_EQ(child.Finish(5000), 0);
    EXPECT_EQ(ReadWholeFile(errorPath), "err\n");

    ASSERT_TRUE(child.Start(noisy));
    EXPECT_EQ(child.ReadLine(5000), "out");
    EXPECT_FALSE(child.ReadLine(5000).has_value());
    EXPECT_EQ(child.Finish(5000), 0);

    unlink(errorPath.c_str());
    rmdir(folder);
}

} // namespace
