// A sim with one socket per port on 0.0.0.0 serves its own addresses and no other. Its ports (15447 and
// 15449 for the shell, 15448 and 15450 for NTP) are taken on every loopback address while it runs, so no
// other test uses them.

#include "LoopbackClient.h"
#include "ntp/SntpPacket.h"
#include "runtime/RealTimeClock.h"
#include "tests/support/SimProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr unsigned short kShellPort = 15447;
constexpr unsigned short kNtpPort = 15448;
const std::string kServed[] = {"127.0.177.1", "127.0.177.2"};
const std::string kStranger = "127.0.177.3";

sockaddr_in NtpPeer(const std::string& address) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(kNtpPort);
    EXPECT_EQ(inet_pton(AF_INET, address.c_str(), &peer.sin_addr), 1);
    return peer;
}

void SendNtpRequest(int client, const std::string& address) {
    const SntpBytes request = MakeSntpRequest(NtpFromUnixMicros(RealTimeMicros()));
    const sockaddr_in peer = NtpPeer(address);
    EXPECT_EQ(sendto(client, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&peer),
                     sizeof peer),
              static_cast<ssize_t>(request.size()));
}

// The dotted address the next datagram within timeoutMs came from; none when nothing came.
std::optional<std::string> AnswerSource(int client, int timeoutMs) {
    pollfd readable{client, POLLIN, 0};
    SntpBytes answer{};
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    char text[INET_ADDRSTRLEN] = {};
    if (poll(&readable, 1, timeoutMs) != 1 ||
        recvfrom(client, answer.data(), answer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sender),
                 &length) != static_cast<ssize_t>(answer.size()) ||
        !DecodeSntp(answer) || inet_ntop(AF_INET, &sender.sin_addr, text, sizeof text) == nullptr) {
        return std::nullopt;
    }
    return std::string(text);
}

TEST(SimOneSocketPerPort, ServesItsAddressesAndClosesConnectionsToAnyOther) {
    CSimProcess sim;
    ASSERT_TRUE(
        sim.Start({"--one-socket-per-port", "--address", kServed[0], "--address", kServed[1], "--shell-port",
                   std::to_string(kShellPort), "--telnet-port", "0", "--ntp-port", std::to_string(kNtpPort)}))
        << sim.ErrorOutput();
    for (const std::string& address : kServed) {
        CLoopbackClient client;
        ASSERT_TRUE(client.Connect(address, kShellPort)) << address;
        EXPECT_EQ(client.ReadUntil("# "), "# ") << address;
        ASSERT_TRUE(client.Send("version\n"));
        EXPECT_EQ(client.ReadUntil("# "), "version\r\n2.4.1\r\n# ") << address;
    }
    CLoopbackClient stranger;
    std::string received;
    if (stranger.Connect(kStranger, kShellPort)) { // accepted by the kernel, then reset by the sim
        ASSERT_TRUE(stranger.ReadUntilClosed(received));
        EXPECT_EQ(received, "");
    }
    EXPECT_EQ(sim.ReadLog().lines.size(), 2u) << "only the two served connections were heard";
    EXPECT_EQ(sim.Stop(), 0);
}

// One socket answers for every address it serves, each answer from the address asked; a request to any
// other address goes unanswered. The requests share one queue, so once the later one's answer is here,
// the earlier one has been dropped.
TEST(SimOneSocketPerPort, AnswersNtpFromTheAddressAskedAndOnlyForItsAddresses) {
    CSimProcess sim;
    ASSERT_TRUE(
        sim.Start({"--one-socket-per-port", "--address", kServed[0] + "-" + kServed[1], "--shell-port",
                   std::to_string(kShellPort), "--telnet-port", "0", "--ntp-port", std::to_string(kNtpPort)}))
        << sim.ErrorOutput();
    const int client = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    for (const std::string& address : kServed) {
        SendNtpRequest(client, kStranger);
        SendNtpRequest(client, address);
        EXPECT_EQ(AnswerSource(client, 3000), address);
        EXPECT_EQ(AnswerSource(client, 0), std::nullopt) << "no answer for " << kStranger;
    }
    close(client);
    EXPECT_EQ(sim.Stop(), 0);
}

// 100 addresses with a shell and an NTP socket each need more than 256 descriptors: rather than fail to
// start, the sim takes one socket per port and says so. The limit is this test's process's own, and so
// its sim's; each test runs in a process of its own.
TEST(SimOneSocketPerPort, TakenByItselfWhenASocketPerAddressWouldNotFitTheDescriptorLimit) {
    const rlimit low{256, 256};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", "127.0.177.10-127.0.177.109", "--shell-port", "15449",
                           "--telnet-port", "0", "--ntp-port", "15450"}))
        << sim.ErrorOutput();
    EXPECT_NE(sim.ErrorOutput().find("one socket per port"), std::string::npos) << sim.ErrorOutput();
    for (const char* address : {"127.0.177.10", "127.0.177.109"}) {
        CLoopbackClient client;
        ASSERT_TRUE(client.Connect(address, 15449)) << address;
        EXPECT_EQ(client.ReadUntil("# "), "# ") << address;
    }
    EXPECT_EQ(sim.Stop(), 0);
}

} // namespace
