#include "ui/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, NoArgumentsIsThePlainWindow) {
    const CommandLine line = ParseCommandLine({});
    EXPECT_FALSE(line.address);
    EXPECT_FALSE(line.connect);
    EXPECT_FALSE(line.help);
    EXPECT_FALSE(line.version);
    EXPECT_TRUE(line.error.empty());
}

TEST(CommandLine, AddressAndConnectInAnyOrder) {
    for (const auto& arguments : {std::vector<std::string>{"127.0.0.1", "--connect"},
                                  std::vector<std::string>{"--connect", "127.0.0.1"}}) {
        const CommandLine line = ParseCommandLine(arguments);
        ASSERT_TRUE(line.address);
        EXPECT_EQ(*line.address, "127.0.0.1");
        EXPECT_TRUE(line.connect);
        EXPECT_TRUE(line.error.empty());
    }
}

TEST(CommandLine, HelpAndVersion) {
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"-h"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
    EXPECT_NE(CommandLineUsage().find("--connect"), std::string::npos);
}

TEST(CommandLine, RejectsUnknownOptionsAndASecondAddress) {
    EXPECT_FALSE(ParseCommandLine({"--conect"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"127.0.0.1", "127.0.0.2"}).error.empty());
}
