#include "sim/Connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using Clock = CConnection::Clock;

const std::string kNegotiation = "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18";
const Clock::time_point kStart = Clock::time_point() + 1h;

SessionConfig Port(bool telnet) {
    SessionConfig config;
    config.telnet = telnet;
    return config;
}

// A connection over a socket pair, driven with made-up times; the test plays the client on m_peer.
class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
        m_serverFd = fds[0];
        m_peer = fds[1];
    }
    void TearDown() override { close(m_peer); }

    // A connection that owns the server side of the pair.
    std::unique_ptr<CConnection> Accept(const SessionConfig& config,
                                        std::chrono::milliseconds slowInterval = 0ms) {
        return std::make_unique<CConnection>(
            std::make_unique<CTcpStream>(m_serverFd, "peer"), 23, config,
            [] {
                return DeviceTime{1765084800, 42311};
            },
            [] { return false; }, slowInterval);
    }

    // Whatever the connection has sent so far.
    std::string Received() {
        std::string text;
        char buffer[4096];
        for (ssize_t count; (count = recv(m_peer, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(count));
        }
        return text;
    }

    bool PeerSeesEnd() {
        char byte;
        return recv(m_peer, &byte, 1, MSG_DONTWAIT) == 0;
    }

    int m_serverFd = -1;
    int m_peer = -1;
};

TEST_F(ConnectionTest, TelnetLoginPromptWaitsForTheLoginDelayAndWakesTheLoopThen) {
    auto connection = Accept(Port(true));
    connection->Open(kStart, 0ms, 250ms);
    EXPECT_EQ(Received(), kNegotiation);
    EXPECT_EQ(connection->NextSendTime(), kStart + 250ms);

    EXPECT_EQ(connection->PollEvents(kStart + 249ms), POLLIN);
    connection->SendDue(kStart + 249ms);
    EXPECT_EQ(Received(), "");

    EXPECT_EQ(connection->PollEvents(kStart + 250ms), POLLIN | POLLOUT) << "a due prompt must not wait";
    connection->SendDue(kStart + 250ms);
    EXPECT_EQ(Received(), "picotux login: ");
    EXPECT_FALSE(connection->NextSendTime().has_value());
}

TEST_F(ConnectionTest, WithoutADelayTheLoginPromptFollowsAtOnce) {
    auto connection = Accept(Port(true));
    connection->Open(kStart, 0ms, 0ms);
    EXPECT_EQ(Received(), kNegotiation + "picotux login: ");
    EXPECT_FALSE(connection->NextSendTime().has_value());
}

TEST_F(ConnectionTest, TheShellPromptIsNeverHeld) {
    auto connection = Accept(Port(false));
    connection->Open(kStart, 0ms, 250ms);
    EXPECT_EQ(Received(), "# ");
    EXPECT_FALSE(connection->NextSendTime().has_value());
}

TEST_F(ConnectionTest, AFirstBytesDelayHoldsTheShellPromptAsADistantDevice) {
    auto connection = Accept(Port(false));
    connection->Open(kStart, 900ms, 250ms);
    EXPECT_EQ(connection->NextSendTime(), kStart + 900ms);
    connection->SendDue(kStart + 899ms);
    EXPECT_EQ(Received(), "");
    connection->SendDue(kStart + 900ms);
    EXPECT_EQ(Received(), "# ");
}

TEST_F(ConnectionTest, LinesTypedBeforeThePromptAreAnsweredAfterItAndACloseWaitsForThem) {
    SessionConfig config = Port(true);
    config.closeMidAnswer = true;
    auto connection = Accept(config);
    connection->Open(kStart, 0ms, 250ms);
    EXPECT_EQ(Received(), kNegotiation);

    const std::string typed = "root\nq9lokar58\nversion\n";
    ASSERT_EQ(send(m_peer, typed.data(), typed.size(), MSG_NOSIGNAL), static_cast<ssize_t>(typed.size()));
    const SessionOutput output = connection->ReadInput();
    EXPECT_EQ(output.lines, (std::vector<std::string>{"root", "q9lokar58", "version"}));
    EXPECT_EQ(Received(), "");
    EXPECT_FALSE(connection->IsClosed()) << "the held prompt and answers must still go out";

    connection->SendDue(kStart + 250ms);
    EXPECT_EQ(Received(), "picotux login: root\r\nPassword: \r\n# version\r\n2.4");
    EXPECT_TRUE(connection->IsClosed());
    EXPECT_TRUE(PeerSeesEnd());
}

TEST_F(ConnectionTest, ASlowByteOrTheHeldPromptWakesTheLoopWhicheverIsFirst) {
    auto connection = Accept(Port(true), 30ms);
    connection->Open(kStart, 0ms, 250ms);
    EXPECT_EQ(Received(), kNegotiation.substr(0, 1));
    EXPECT_EQ(connection->NextSendTime(), kStart + 30ms);
    for (auto at = kStart + 30ms; at < kStart + 250ms; at += 30ms) {
        connection->SendDue(at);
    }
    EXPECT_EQ(Received(), kNegotiation.substr(1));
    EXPECT_EQ(connection->NextSendTime(), kStart + 250ms);
    connection->SendDue(kStart + 250ms);
    // Released, the prompt keeps the pace of the last byte sent.
    EXPECT_EQ(Received(), "");
    EXPECT_EQ(connection->NextSendTime(), kStart + 270ms);
    connection->SendDue(kStart + 270ms);
    EXPECT_EQ(Received(), "p");
}

TEST_F(ConnectionTest, AClientThatLeavesItsAnswersUnreadIsNotReadFromUntilItTakesThem) {
    auto connection = Accept(Port(false));
    connection->Open(kStart, 0ms, 0ms);
    std::string commands;
    for (int count = 0; count < 128; ++count) {
        commands += "ntpq -p\n";
    }
    // Each round reads a little and answers it into the unread socket, until the connection pauses.
    for (int round = 0; round < 10000 && connection->WantsInput(); ++round) {
        (void)send(m_peer, commands.data(), commands.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        (void)connection->ReadInput();
    }
    ASSERT_FALSE(connection->WantsInput());
    EXPECT_EQ(connection->PollEvents(kStart), POLLOUT) << "a paused connection must not wake for input";
    EXPECT_FALSE(connection->IsClosed());

    for (int round = 0; round < 10000 && !connection->WantsInput(); ++round) {
        (void)Received();
        connection->SendDue(kStart);
    }
    EXPECT_TRUE(connection->WantsInput());
    EXPECT_TRUE(connection->PollEvents(kStart) & POLLIN);
}

} // namespace
