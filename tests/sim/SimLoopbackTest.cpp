#include "LoopbackClient.h"
#include "tests/support/SimProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kFrozenTime = "1765084800.042311";
constexpr unsigned short kShellPort = 5316;
constexpr unsigned short kMovedTelnetPort = 10023;
const std::string kNegotiation = "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18";

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void LogIn(CLoopbackClient& client) {
    ASSERT_EQ(client.ReadUntil("picotux login: "), kNegotiation + "picotux login: ");
    ASSERT_TRUE(client.Send("root\n"));
    ASSERT_EQ(client.ReadUntil("Password: "), "root\r\nPassword: ");
    ASSERT_TRUE(client.Send("q9lokar58\n"));
    ASSERT_EQ(client.ReadUntil("# "), "\r\n# ");
}

TEST(SimLoopback, ShellShowsPromptAtOnceAndAnswersTheToolsCommands) {
    const std::string address = "127.0.3.1";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0", "--time", kFrozenTime, "--freeze",
                           "--system-peer", "2", "--firmware", "2.4.1"}))
        << sim.ErrorOutput();
    CLoopbackClient client;
    ASSERT_TRUE(client.Connect(address, kShellPort));
    EXPECT_EQ(client.ReadUntil("# "), "# ");
    ASSERT_TRUE(client.Send("version\n"));
    EXPECT_EQ(client.ReadUntil("# "), "version\r\n2.4.1\r\n# ");
    ASSERT_TRUE(client.Send("getdate\n"));
    EXPECT_EQ(client.ReadUntil("# "), "getdate\r\n1765084800.042311 A\r\n# ");
    ASSERT_TRUE(client.Send("ntpq -p\n"));
    const std::string table = client.ReadUntil("# ");
    EXPECT_NE(table.find("=\r\n+GPS_NMEA(0)"), std::string::npos) << table;
    EXPECT_NE(table.find("\r\n*PPS(0)"), std::string::npos) << table;

    ASSERT_TRUE(sim.WaitForLine("ntpq -p", 3000));
    const SimLog log = sim.ReadLog();
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0].text, "version");
    EXPECT_EQ(log.lines[1].text, "getdate");
    for (const SimLogLine& line : log.lines) {
        EXPECT_EQ(line.port, kShellPort);
    }
    EXPECT_LE(log.lines[0].timeMs, log.lines[2].timeMs);

    CLoopbackClient telnet;
    EXPECT_FALSE(telnet.Connect(address, 23)) << "the telnet port was switched off";
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimLoopback, TelnetNegotiatesLogsInAndServesTheShellOnAMovedPort) {
    const std::string address = "127.0.3.2";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--shell-port", "0", "--telnet-port", "10023"}));
    CLoopbackClient client;
    ASSERT_TRUE(client.Connect(address, kMovedTelnetPort));
    LogIn(client);
    ASSERT_TRUE(client.Send("cat /etc/version\n"));
    EXPECT_EQ(client.ReadUntil("# "), "cat /etc/version\r\n2.4.1\r\n# ");
    ASSERT_TRUE(sim.WaitForLine("cat /etc/version", 3000));
    const SimLog log = sim.ReadLog();
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0].text, "root");
    EXPECT_EQ(log.lines[1].text, "q9lokar58");
    EXPECT_EQ(log.lines[2].port, kMovedTelnetPort);
}

TEST(SimLoopback, DefaultPortsServeTelnetAndShellSideBySide) {
    if (!CanBindTelnetPort()) {
        GTEST_SKIP() << "binding port 23 needs root";
    }
    const std::string address = "127.0.3.3";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address})) << sim.ErrorOutput();
    CLoopbackClient telnet;
    CLoopbackClient shell;
    ASSERT_TRUE(telnet.Connect(address, 23));
    ASSERT_TRUE(shell.Connect(address, kShellPort));
    LogIn(telnet);
    EXPECT_EQ(shell.ReadUntil("# "), "# ");
}

TEST(SimLoopback, TelnetLoginPromptComesOnlyAfterTheLoginDelayTheShellPromptAtOnce) {
    const std::string address = "127.0.3.100";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "10023", "--login-delay", "2000"}));
    const Clock::time_point start = Clock::now();
    CLoopbackClient telnet;
    CLoopbackClient shell;
    ASSERT_TRUE(telnet.Connect(address, kMovedTelnetPort));
    ASSERT_TRUE(shell.Connect(address, kShellPort));
    EXPECT_EQ(shell.ReadUntil("# "), "# ");
    EXPECT_EQ(telnet.ReadChunk(), kNegotiation) << "the prompt came with the negotiation";
    EXPECT_EQ(telnet.ReadUntil("picotux login: ", 10000), "picotux login: ");
    EXPECT_GE(MsSince(start), 2000.0);
}

TEST(SimLoopback, SigusrOneFlipsTheGpsLockOfAnOpenConnectionAndBack) {
    const std::string address = "127.0.157.11";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0", "--time", kFrozenTime, "--freeze"}))
        << sim.ErrorOutput();
    CLoopbackClient client;
    ASSERT_TRUE(client.Connect(address, kShellPort));
    ASSERT_EQ(client.ReadUntil("# "), "# ");
    const auto getdate = [&client] {
        EXPECT_TRUE(client.Send("getdate\n"));
        return client.ReadUntil("# ");
    };
    EXPECT_EQ(getdate(), "getdate\r\n1765084800.042311 A\r\n# ");
    // kill returns with the signal pending at the sim, whose round takes the signal before the command
    // sent after it: no wait is needed in between.
    for (const char letter : {'V', 'A'}) {
        ASSERT_TRUE(sim.Signal(SIGUSR1));
        EXPECT_EQ(getdate(), std::string("getdate\r\n1765084800.042311 ") + letter + "\r\n# ");
    }
}

// A Windows test under Wine cannot signal the sim: --gps-flips flips the lock on a schedule that starts
// with the first connection, not with the sim, however long the client takes to come.
TEST(SimLoopback, GpsFlipsFlipTheLockOnTheirScheduleFromTheFirstConnection) {
    const std::string address = "127.0.164.11";
    constexpr double kFirstFlipMs = 400;
    constexpr double kSecondFlipMs = 800;
    constexpr int kBoundMs = 15000;
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0", "--time", kFrozenTime, "--freeze",
                           "--gps-flips", "400,800"}))
        << sim.ErrorOutput();
    // Until the first flip would be past, were the schedule counted from the sim's start.
    std::this_thread::sleep_until(Clock::now() +
                                  std::chrono::milliseconds(static_cast<int>(kFirstFlipMs) + 100));
    const Clock::time_point connected = Clock::now();
    CLoopbackClient client;
    ASSERT_TRUE(client.Connect(address, kShellPort));
    ASSERT_EQ(client.ReadUntil("# "), "# ");
    const auto reports = [&client](char letter) {
        EXPECT_TRUE(client.Send("getdate\n"));
        return client.ReadUntil("# ") == std::string("getdate\r\n1765084800.042311 ") + letter + "\r\n# ";
    };
    EXPECT_TRUE(reports('A'));
    for (const auto& [letter, dueMs] : {std::pair{'V', kFirstFlipMs}, std::pair{'A', kSecondFlipMs}}) {
        while (!reports(letter) && MsSince(connected) < kBoundMs) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const double seenMs = MsSince(connected);
        EXPECT_GE(seenMs, dueMs) << letter;
        EXPECT_LT(seenMs, kBoundMs) << letter << " never came";
    }
}

TEST(SimLoopback, ZeroLoginDelaySendsTheLoginPromptWithTheNegotiation) {
    const std::string address = "127.0.3.101";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(
        {"--address", address, "--shell-port", "0", "--telnet-port", "10023", "--login-delay", "0"}));
    CLoopbackClient telnet;
    ASSERT_TRUE(telnet.Connect(address, kMovedTelnetPort));
    // One send on loopback arrives as one piece.
    EXPECT_EQ(telnet.ReadChunk(), kNegotiation + "picotux login: ");
}

TEST(SimLoopback, AddressChangeDropsEveryConnectionStaysDownAndComesBack) {
    const std::string address = "127.0.3.4";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "10023", "--downtime", "3"}));
    CLoopbackClient shell;
    CLoopbackClient telnet;
    ASSERT_TRUE(shell.Connect(address, kShellPort));
    ASSERT_TRUE(telnet.Connect(address, kMovedTelnetPort));
    EXPECT_EQ(shell.ReadUntil("# "), "# ");
    telnet.ReadUntil("picotux login: ");

    ASSERT_TRUE(shell.Send("setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\n"));
    std::string text;
    ASSERT_TRUE(shell.ReadUntilClosed(text));
    const Clock::time_point down = Clock::now();
    EXPECT_EQ(text, "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\r\n");
    std::string telnetText;
    EXPECT_TRUE(telnet.ReadUntilClosed(telnetText));
    CLoopbackClient early;
    EXPECT_FALSE(early.Connect(address, kShellPort)) << "the device answered during its downtime";

    CLoopbackClient back;
    ASSERT_TRUE(back.ConnectWithin(address, kShellPort, 8000));
    EXPECT_GT(MsSince(down), 2000.0);
    EXPECT_EQ(back.ReadUntil("# "), "# ");

    const SimLog log = sim.ReadLog();
    ASSERT_EQ(log.addressChanges.size(), 1u);
    EXPECT_EQ(log.addressChanges[0].port, kShellPort);
    EXPECT_EQ(log.addressChanges[0].ip, "10.0.0.5");
    EXPECT_EQ(log.addressChanges[0].mask, "255.0.0.0");
    EXPECT_EQ(log.addressChanges[0].gateway, "10.0.0.1");
}

TEST(SimLoopback, TelnetAddressChangeWithoutDowntimeComesBackAtOnce) {
    const std::string address = "127.0.3.5";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "10023", "--downtime", "0"}));
    CLoopbackClient client;
    ASSERT_TRUE(client.Connect(address, kMovedTelnetPort));
    LogIn(client);
    ASSERT_TRUE(client.Send("echo '10.0.0.5' > /usr/ipaddress\necho '255.0.0.0' > /usr/netmask\n"
                            "echo '10.0.0.1' > /usr/gateway\ntouch /usr/ramdisk/reset\n"));
    std::string text;
    ASSERT_TRUE(client.ReadUntilClosed(text));
    CLoopbackClient again;
    ASSERT_TRUE(again.ConnectWithin(address, kMovedTelnetPort, 3000));
    const SimLog log = sim.ReadLog();
    ASSERT_EQ(log.addressChanges.size(), 1u);
    EXPECT_EQ(log.addressChanges[0].port, kMovedTelnetPort);
    EXPECT_EQ(log.addressChanges[0].mask, "255.0.0.0");
}

// With --follow-address the device comes back where it was sent, if that is loopback, and nowhere
// otherwise; the second address of the process stays where it was either way.
TEST(SimLoopback, FollowAddressComesBackAtTheNewLoopbackAddressOnlyAndNeverOffLoopback) {
    struct Move {
        const char* to;
        bool backAtNew;
    };
    for (const Move move : {Move{"127.0.3.13", true}, Move{"10.0.0.5", false}}) {
        SCOPED_TRACE(move.to);
        CSimProcess sim;
        ASSERT_TRUE(sim.Start({"--address", "127.0.3.12", "--address", "127.0.3.14", "--telnet-port", "0",
                               "--downtime", "0.5", "--follow-address"}));
        CLoopbackClient shell;
        ASSERT_TRUE(shell.Connect("127.0.3.12", kShellPort));
        EXPECT_EQ(shell.ReadUntil("# "), "# ");
        ASSERT_TRUE(shell.Send(std::string("setip -i ") + move.to + " -g 10.0.0.1 -s 255.0.0.0\n"));
        std::string text;
        ASSERT_TRUE(shell.ReadUntilClosed(text));

        CLoopbackClient other;
        ASSERT_TRUE(other.ConnectWithin("127.0.3.14", kShellPort, 5000));
        CLoopbackClient atNew;
        if (move.backAtNew) {
            ASSERT_TRUE(atNew.ConnectWithin(move.to, kShellPort, 5000));
            EXPECT_EQ(atNew.ReadUntil("# "), "# ");
        }
        CLoopbackClient atOld;
        EXPECT_FALSE(atOld.Connect("127.0.3.12", kShellPort)) << "the device came back at its old address";
    }
}

TEST(SimLoopback, PortInUseOrBadOptionsExitWithStatusTwoAndSaySo) {
    const std::string address = "127.0.3.6";
    const int blocker = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(blocker, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kShellPort);
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    ASSERT_EQ(bind(blocker, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
    ASSERT_EQ(listen(blocker, 1), 0);

    CSimProcess sim;
    EXPECT_FALSE(sim.Start({"--address", address, "--telnet-port", "0"}));
    EXPECT_EQ(sim.Stop(), 2);
    EXPECT_NE(sim.ErrorOutput().find("127.0.3.6:5316"), std::string::npos) << sim.ErrorOutput();
    EXPECT_NE(sim.ErrorOutput().find(std::strerror(EADDRINUSE)), std::string::npos) << sim.ErrorOutput();
    close(blocker);

    EXPECT_FALSE(sim.Start({"--letter", "x"}));
    EXPECT_EQ(sim.Stop(), 2);
    EXPECT_NE(sim.ErrorOutput().find("Usage:"), std::string::npos);
}

TEST(SimLoopback, StopsWithExitStatusZeroOnSigintAndSigterm) {
    const std::string address = "127.0.3.7";
    CSimProcess sim;
    EXPECT_EQ(sim.Stop(), -1);
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0"}));
    EXPECT_EQ(sim.Stop(SIGINT), 0);
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0"}));
    EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

TEST(SimLoopback, SlowSendsNoFasterThanOneBytePerInterval) {
    const std::string address = "127.0.3.8";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0", "--slow", "30"}));
    CLoopbackClient client;
    ASSERT_TRUE(client.Connect(address, kShellPort));
    EXPECT_EQ(client.ReadUntil("# "), "# ");
    ASSERT_TRUE(client.Send("version\n"));
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(client.ReadUntil("# ", 5000), "version\r\n2.4.1\r\n# ");
    EXPECT_GE(MsSince(start), 17 * 30 - 20); // 18 bytes: 17 intervals, less clock granularity
}

TEST(SimLoopback, CloseMidAnswerEndsTheConnectionHalfwayThroughTheAnswer) {
    const std::string address = "127.0.3.9";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0", "--close-mid-answer", "--time",
                           kFrozenTime, "--freeze"}));
    CLoopbackClient client;
    ASSERT_TRUE(client.Connect(address, kShellPort));
    EXPECT_EQ(client.ReadUntil("# "), "# ");
    ASSERT_TRUE(client.Send("getdate\n"));
    std::string text;
    ASSERT_TRUE(client.ReadUntilClosed(text));
    EXPECT_EQ(text, "getdate\r\n1765084800");
}

TEST(SimLoopback, ServesManyConnectionsAtOnceAndSilentSendsNothing) {
    const std::string address = "127.0.3.10";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0"}));
    std::vector<std::unique_ptr<CLoopbackClient>> clients;
    for (int index = 0; index < 20; ++index) {
        clients.push_back(std::make_unique<CLoopbackClient>());
        ASSERT_TRUE(clients.back()->Connect(address, kShellPort));
    }
    for (auto& client : clients) {
        ASSERT_TRUE(client->Send("version\n"));
    }
    for (auto& client : clients) {
        EXPECT_EQ(client->ReadUntil("2.4.1\r\n# "), "# version\r\n2.4.1\r\n# ");
    }

    CSimProcess silent;
    ASSERT_TRUE(silent.Start({"--address", "127.0.3.11", "--telnet-port", "0", "--silent"}));
    CLoopbackClient quiet;
    ASSERT_TRUE(quiet.Connect("127.0.3.11", kShellPort));
    ASSERT_TRUE(quiet.Send("version\n"));
    EXPECT_EQ(quiet.ReadUntil("# ", 300), "");
    EXPECT_TRUE(silent.WaitForLine("version", 3000));
}

} // namespace
