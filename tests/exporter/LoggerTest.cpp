#include "exporter/Logger.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const auto kTime = std::chrono::system_clock::time_point(std::chrono::milliseconds(1765291809123));

// No value can forge a field or a line, in either format, and every line is valid UTF-8.
TEST(Logger, EscapesEveryValueForItsFormat) {
    const LogFields fields = {{"path", "/metrics"},
                              {"agent", "a b=\"c\"\\"},
                              {"forged", "x\nlevel=error"},
                              {"bytes", "\xff\xfe"},
                              {"empty", ""}};
    EXPECT_EQ(
        FormatLogLine(LogFormat::Logfmt, kTime, LogLevel::Info, "request answered", fields),
        "ts=2025-12-09T14:50:09.123Z level=info msg=\"request answered\" path=/metrics "
        "agent=\"a b=\\\"c\\\"\\\\\" forged=\"x\\\\x0alevel=error\" bytes=\"\\\\xff\\\\xfe\" empty=\"\"\n");
    EXPECT_EQ(
        FormatLogLine(LogFormat::Json, kTime, LogLevel::Warn, "slow", fields),
        "{\"ts\":\"2025-12-09T14:50:09.123Z\",\"level\":\"warn\",\"msg\":\"slow\",\"path\":\"/metrics\","
        "\"agent\":\"a b=\\\"c\\\"\\\\\",\"forged\":\"x\\\\x0alevel=error\",\"bytes\":\"\\\\xff\\\\xfe\","
        "\"empty\":\"\"}\n");
}

TEST(Logger, WritesOnlyLinesAtItsLevelOrAbove) {
    EXPECT_EQ(ParseLogLevel("warn"), LogLevel::Warn);
    EXPECT_FALSE(ParseLogLevel("WARN"));
    EXPECT_EQ(ParseLogFormat("json"), LogFormat::Json);
    EXPECT_FALSE(ParseLogFormat("text"));

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    CLogger logger(LogLevel::Warn, LogFormat::Logfmt, file);
    logger.Log(LogLevel::Info, "hidden");
    logger.Log(LogLevel::Error, "shown");
    std::rewind(file);
    std::string text(200, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_NE(text.find("level=error msg=shown\n"), std::string::npos) << text;
}

} // namespace
