#include "sim/SimLog.h"
#include "tests/support/SimLogReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class SimLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrex-simlog-XXXXXX";
        const int fd = mkstemp(pattern);
        ASSERT_GE(fd, 0);
        close(fd);
        m_path = pattern;
    }
    void TearDown() override { unlink(m_path.c_str()); }

    std::string m_path;
};

TEST(SimLogEscape, KeepsPrintableTextAndEscapesTheRest) {
    EXPECT_EQ(EscapeLogText("ntpq -p 127.0.0.1", false), "ntpq -p 127.0.0.1");
    EXPECT_EQ(EscapeLogText(std::string("a\0b\r\n\xff\\", 7), false), "a\\x00b\\x0D\\x0A\\xFF\\x5C");
    EXPECT_EQ(EscapeLogText("a b", true), "a\\x20b");
}

TEST_F(SimLogFile, ReaderGetsBackEveryLineAddressChangeAndFailureAsWritten) {
    {
        CSimLog log;
        std::string error;
        ASSERT_TRUE(log.Open(m_path, error)) << error;
        log.LogLine(5316, "getdate", CSimLog::Clock::now());
        log.LogLine(23, "", CSimLog::Clock::now());
        log.LogLine(23, std::string("odd \\x41 \x01", 10), CSimLog::Clock::now());
        log.LogAddressChange(5316, AddressChange{"10.0.0.5", "255.0.0.0", "10.0.0.1"}, CSimLog::Clock::now());
        log.LogAddressChange(23, AddressChange{"1 2", "", "x=y"}, CSimLog::Clock::now());
        log.LogFailure("cannot bind\n127.0.3.1:23", CSimLog::Clock::now());
        // Line buffering: the file holds every entry before the log is closed.
        EXPECT_EQ(ParseSimLog(ReadFile(m_path)).lines.size(), 3u);
    }
    const SimLog log = ParseSimLog(ReadFile(m_path));
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0].port, 5316);
    EXPECT_EQ(log.lines[0].text, "getdate");
    EXPECT_EQ(log.lines[1].text, "");
    EXPECT_EQ(log.lines[2].text, std::string("odd \\x41 \x01", 10));
    EXPECT_LE(log.lines[0].timeMs, log.lines[2].timeMs);
    EXPECT_GE(log.lines[0].timeMs, 0.0);
    ASSERT_EQ(log.addressChanges.size(), 2u);
    EXPECT_EQ(log.addressChanges[0].port, 5316);
    EXPECT_EQ(log.addressChanges[0].ip, "10.0.0.5");
    EXPECT_EQ(log.addressChanges[0].mask, "255.0.0.0");
    EXPECT_EQ(log.addressChanges[0].gateway, "10.0.0.1");
    EXPECT_EQ(log.addressChanges[1].ip, "1 2");
    EXPECT_EQ(log.addressChanges[1].mask, "");
    EXPECT_EQ(log.addressChanges[1].gateway, "x=y");
    EXPECT_EQ(log.failures, std::vector<std::string>{"cannot bind\n127.0.3.1:23"});
}

TEST(SimLogReader, SkipsLinesOfAnyOtherShape) {
    const SimLog log =
        ParseSimLog("garbage\n12.5 notaport text\n12.5 70000 x\n1.0 address 23 ip=1\n3.250 23 ok\n");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_DOUBLE_EQ(log.lines[0].timeMs, 3.25);
    EXPECT_EQ(log.lines[0].text, "ok");
    EXPECT_TRUE(log.addressChanges.empty());
}

TEST(SimLogOpen, ReportsAFileThatCannotBeWritten) {
    CSimLog log;
    std::string error;
    EXPECT_FALSE(log.Open("/nonexistent-folder/sim.log", error));
    EXPECT_NE(error.find("/nonexistent-folder/sim.log"), std::string::npos);
    log.LogLine(1, "ignored while closed", CSimLog::Clock::now());
}

} // namespace
