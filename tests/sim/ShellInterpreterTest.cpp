#include "sim/ShellInterpreter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

CShellInterpreter MakeShell(DeviceSetting setting = {}, DeviceTime time = {1765084800, 42311}) {
    return CShellInterpreter(
        std::move(setting), [time] { return time; }, [] { return false; });
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        EXPECT_FALSE(line.empty() || line.back() != '\r') << "line without CR LF: " << line;
        lines.push_back(line.substr(0, line.size() - 1));
    }
    return lines;
}

TEST(ShellInterpreter, VersionCommandsOfBothDialectsPrintTheFirmware) {
    CShellInterpreter shell = MakeShell(DeviceSetting{"3.0.7-beta", 'A', 1});
    EXPECT_EQ(shell.Execute("version").answer, "3.0.7-beta\r\n");
    EXPECT_EQ(shell.Execute("cat /etc/version").answer, "3.0.7-beta\r\n");
    EXPECT_EQ(shell.Execute("  version  ").answer, "3.0.7-beta\r\n");
}

TEST(ShellInterpreter, GetdatePrintsSecondsSixDigitMicrosAndLetter) {
    EXPECT_EQ(MakeShell().Execute("getdate").answer, "1765084800.042311 A\r\n");
    // Past 2^32 seconds the device still prints the whole number.
    const DeviceTime late{4294967301LL, 7};
    EXPECT_EQ(MakeShell(DeviceSetting{"2.4.1", 'V', 1}, late).Execute("getdate").answer,
              "4294967301.000007 V\r\n");
    EXPECT_EQ(MakeShell(DeviceSetting{"2.4.1", 'M', 1}, {0, 999999}).Execute("getdate").answer,
              "0.999999 M\r\n");
}

TEST(ShellInterpreter, PeerTableMarksExactlyTheChosenSystemPeer) {
    for (int systemPeer = 0; systemPeer <= 3; ++systemPeer) {
        const std::string table =
            MakeShell(DeviceSetting{"2.4.1", 'A', systemPeer}).Execute("ntpq -p").answer;
        const std::vector<std::string> lines = SplitLines(table);
        ASSERT_EQ(lines.size(), 5u) << table;
        EXPECT_NE(lines[0].find("remote"), std::string::npos);
        EXPECT_EQ(lines[1].find_first_not_of('='), std::string::npos);
        for (int peer = 1; peer <= 3; ++peer) {
            EXPECT_EQ(lines[1 + peer][0] == '*', peer == systemPeer)
                << "peer " << peer << " of " << systemPeer;
        }
        // The tool ends an answer at "# " and takes "version" for the version answer.
        EXPECT_EQ(table.find('#'), std::string::npos);
        EXPECT_EQ(table.find("version"), std::string::npos);
    }
}

TEST(ShellInterpreter, BothPeerTableCommandsAnswerAndOtherHostsDoNot) {
    CShellInterpreter shell = MakeShell();
    const std::string table = shell.Execute("ntpq -p").answer;
    EXPECT_EQ(shell.Execute("ntpq -p 127.0.0.1").answer, table);
    EXPECT_EQ(shell.Execute("ntpq -p 10.1.1.1").answer, "Usage: ntpq -p [127.0.0.1]\r\n");
    EXPECT_EQ(shell.Execute("ntpq").answer, "Usage: ntpq -p [127.0.0.1]\r\n");
}

TEST(ShellInterpreter, SetipRestartsWithGatewayAfterGAndMaskAfterS) {
    CShellInterpreter shell = MakeShell();
    const ShellReply reply = shell.Execute("setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0");
    ASSERT_TRUE(reply.restart.has_value());
    EXPECT_EQ(reply.restart->ip, "10.0.0.5");
    EXPECT_EQ(reply.restart->mask, "255.0.0.0");
    EXPECT_EQ(reply.restart->gateway, "10.0.0.1");
    EXPECT_EQ(reply.answer, "");
    const ShellReply reordered = shell.Execute("setip -s 255.255.0.0 -i 172.16.0.9 -g 172.16.0.1");
    ASSERT_TRUE(reordered.restart.has_value());
    EXPECT_EQ(reordered.restart->mask, "255.255.0.0");
}

TEST(ShellInterpreter, SetipWithMissingValuesDoesNotRestart) {
    CShellInterpreter shell = MakeShell();
    for (const char* line : {"setip -i  -g  -s ", "setip -i 10.0.0.5 -g 10.0.0.1",
                             "setip -i 1 -i 2 -g 3 -s 4", "setip -i 1 -g 2 -s 3 -x 4", "setip"}) {
        const ShellReply reply = shell.Execute(line);
        EXPECT_FALSE(reply.restart.has_value()) << line;
        EXPECT_EQ(reply.answer, "Usage: setip -i IP -g GATEWAY -s NETMASK\r\n") << line;
    }
}

TEST(ShellInterpreter, TelnetFormRecordsEachFileAndRestartsAtTheTouch) {
    CShellInterpreter shell = MakeShell();
    EXPECT_EQ(shell.Execute("echo '10.0.0.5' > /usr/ipaddress").answer, "");
    EXPECT_EQ(shell.Execute("echo '255.0.0.0' > /usr/netmask").answer, "");
    const ShellReply gateway = shell.Execute("echo '10.0.0.1' > /usr/gateway");
    EXPECT_FALSE(gateway.restart.has_value());
    EXPECT_EQ(shell.Execute("echo '9.9.9.9' > /usr/other").answer.substr(0, 6), "Usage:");
    const ShellReply reply = shell.Execute("touch /usr/ramdisk/reset");
    ASSERT_TRUE(reply.restart.has_value());
    EXPECT_EQ(reply.restart->ip, "10.0.0.5");
    EXPECT_EQ(reply.restart->mask, "255.0.0.0");
    EXPECT_EQ(reply.restart->gateway, "10.0.0.1");
}

TEST(ShellInterpreter, TouchWithoutWrittenValuesRestartsWithEmptyValues) {
    // The log then shows that a tool typed the restart without the values.
    const ShellReply reply = MakeShell().Execute("touch /usr/ramdisk/reset");
    ASSERT_TRUE(reply.restart.has_value());
    EXPECT_EQ(reply.restart->ip, "");
    EXPECT_FALSE(MakeShell().Execute("touch /tmp/x").restart.has_value());
}

TEST(ShellInterpreter, UnknownCommandsGetAShellErrorAndEmptyLinesNothing) {
    CShellInterpreter shell = MakeShell();
    EXPECT_EQ(shell.Execute("reboot now").answer, "-sh: reboot: not found\r\n");
    EXPECT_EQ(shell.Execute("echo # x").answer.substr(0, 6), "Usage:");
    EXPECT_EQ(shell.Execute("").answer, "");
    EXPECT_EQ(shell.Execute(" \t ").answer, "");
    EXPECT_EQ(shell.Execute("getdate now").answer, "Usage: getdate\r\n");
}

} // namespace
