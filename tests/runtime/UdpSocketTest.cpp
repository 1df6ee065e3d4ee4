#include "runtime/UdpSocket.h"
#include "runtime/RealTimeClock.h"

#include "tests/support/DatagramPeer.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Wine binds a datagram socket to every address and answers from 127.0.0.1 (see UdpClientTest.cpp): there
// the peer is at 127.0.0.1, on a port of this test's own.
#ifdef _WIN32
constexpr const char* kPeerText = "127.0.0.1";
constexpr std::uint32_t kPeerAddress = 0x7F000001;
#else
constexpr const char* kPeerText = "127.0.237.1";
constexpr std::uint32_t kPeerAddress = 0x7F00ED01; // kPeerText
#endif
constexpr unsigned short kPeerPort = 12371;
// Nothing listens here.
constexpr std::uint32_t kClosedAddress = 0x7F00ED02; // 127.0.237.2
constexpr unsigned short kClosedPort = 12372;
constexpr int kEventMs = 3000; // Generous: a loopback datagram takes microseconds.
constexpr std::int64_t kReadLateMicros = 300000;
constexpr int kStampRounds = 5;

// The next arrival other than None within kEventMs; None when nothing came.
CUdpSocket::Received NextArrival(CUdpSocket& socket, std::uint8_t* buffer, std::size_t size) {
    CUdpSocket::Received received;
    (void)WaitUntil(
        [&] {
            received = socket.ReceiveFrom(buffer, size);
            return received.arrival != CUdpSocket::Arrival::None;
        },
        kEventMs);
    return received;
}

// A socket beside a peer on a port of the test's own, and a peer port where nothing listens.
class UdpSocketRefusalTest : public testing::Test {
protected:
    void Open(unsigned short peerPort) {
        m_peer = std::make_unique<CDatagramPeer>(kPeerText, peerPort);
        ASSERT_TRUE(m_peer->IsBound());
        ASSERT_TRUE(m_socket.Open());
    }
    void SendToClosedPort(std::uint8_t tag) {
        const std::uint8_t request[] = {tag, 2, 3};
        ASSERT_TRUE(m_socket.SendTo(kClosedAddress, kClosedPort, request, sizeof request));
    }
    // Sends to the peer, which answers with one byte, reply.
    void ExchangeWithPeer(unsigned short peerPort, std::uint8_t reply) {
        const std::uint8_t request[] = {1};
        ASSERT_TRUE(m_socket.SendTo(kPeerAddress, peerPort, request, sizeof request));
        ASSERT_EQ(m_peer->Echo({reply}, kEventMs).size(), 1U);
    }

    std::unique_ptr<CDatagramPeer> m_peer;
    CUdpSocket m_socket;
    std::uint8_t m_buffer[8] = {};
};

TEST(UdpSocketTest, ExchangesWithAPeerItNames) {
    const CDatagramPeer peer(kPeerText, kPeerPort);
    ASSERT_TRUE(peer.IsBound());
    CUdpSocket socket;
    ASSERT_TRUE(socket.Open());
    EXPECT_GE(socket.SocketHandle(), 0);
    const std::uint8_t request[] = {1, 2, 3};
    const std::int64_t sentAt = RealTimeMicros();
    ASSERT_TRUE(socket.SendTo(kPeerAddress, kPeerPort, request, sizeof request));
    EXPECT_EQ(peer.Echo({9, 8, 7, 6, 5}, kEventMs), (std::vector<std::uint8_t>{1, 2, 3}));

    std::uint8_t buffer[4] = {};
    const CUdpSocket::Received received = NextArrival(socket, buffer, sizeof buffer);
    EXPECT_EQ(received.arrival, CUdpSocket::Arrival::Datagram);
    EXPECT_EQ(received.length, 4U); // cut at the buffer's size
    EXPECT_EQ(buffer[3], 6);
    EXPECT_EQ(received.peerAddress, kPeerAddress);
    EXPECT_EQ(received.peerPort, kPeerPort);
    EXPECT_GE(received.arrivalUnixMicros, sentAt);
    EXPECT_LE(received.arrivalUnixMicros, RealTimeMicros());
    EXPECT_EQ(socket.ReceiveFrom(buffer, sizeof buffer).arrival, CUdpSocket::Arrival::None);
}

// An answer read late is stamped with its arrival, not with the read, on the shared socket too.
TEST(UdpSocketTest, StampsTheArrivalNotTheRead) {
    const CDatagramPeer peer(kPeerText, kPeerPort + 1);
    ASSERT_TRUE(peer.IsBound());
    CUdpSocket socket;
    ASSERT_TRUE(socket.Open());
    // Linux turns stamping on for the whole system a moment after the first socket asks for it.
    std::int64_t leadMicros = 0;
    bool stamped = false;
    for (int round = 0; round < kStampRounds && leadMicros < kReadLateMicros / 2; ++round) {
        const std::uint8_t request[] = {1};
        ASSERT_TRUE(socket.SendTo(kPeerAddress, kPeerPort + 1, request, sizeof request));
        ASSERT_EQ(peer.Echo({2}, kEventMs).size(), 1U);
        std::this_thread::sleep_for(std::chrono::microseconds(kReadLateMicros));
        const std::int64_t readAt = RealTimeMicros();
        std::uint8_t buffer[4];
        const CUdpSocket::Received received = socket.ReceiveFrom(buffer, sizeof buffer);
        ASSERT_EQ(received.arrival, CUdpSocket::Arrival::Datagram);
        leadMicros = readAt - received.arrivalUnixMicros;
        stamped = received.arrivalStamped;
    }
    EXPECT_GE(leadMicros, kReadLateMicros / 2);
    EXPECT_TRUE(stamped) << "says whose time it is";
}

// A closed port's refusal names the peer and the refused datagram, and the refusals still queued do not
// keep the socket from sending to and hearing from another peer.
TEST_F(UdpSocketRefusalTest, ReportsARefusedPeerAndStillServesTheOthers) {
    Open(kPeerPort + 2);
    SendToClosedPort(0xA1);
    SendToClosedPort(0xA2);
    CUdpSocket::Received received = NextArrival(m_socket, m_buffer, sizeof m_buffer);
    ASSERT_EQ(received.arrival, CUdpSocket::Arrival::Unreachable);
    EXPECT_EQ(received.peerAddress, kClosedAddress);
    EXPECT_EQ(received.peerPort, kClosedPort);
    EXPECT_EQ(received.length, 3U);
    EXPECT_EQ(m_buffer[0], 0xA1);

    ExchangeWithPeer(kPeerPort + 2, 7);
    received = NextArrival(m_socket, m_buffer, sizeof m_buffer);
    ASSERT_EQ(received.arrival, CUdpSocket::Arrival::Unreachable);
    EXPECT_EQ(m_buffer[0], 0xA2);
    received = NextArrival(m_socket, m_buffer, sizeof m_buffer);
    ASSERT_EQ(received.arrival, CUdpSocket::Arrival::Datagram);
    EXPECT_EQ(m_buffer[0], 7);
}

// Where a refusal names no peer (Windows), it must not fail the socket for everyone.
TEST_F(UdpSocketRefusalTest, ARefusedPeerLeavesTheSocketToTheOthers) {
    Open(kPeerPort + 3);
    SendToClosedPort(0xB1);
    ExchangeWithPeer(kPeerPort + 3, 7);
    CUdpSocket::Received received = NextArrival(m_socket, m_buffer, sizeof m_buffer);
    while (received.arrival == CUdpSocket::Arrival::Unreachable) {
        EXPECT_EQ(received.peerPort, kClosedPort);
        received = NextArrival(m_socket, m_buffer, sizeof m_buffer);
    }
    EXPECT_EQ(received.arrival, CUdpSocket::Arrival::Datagram);
    EXPECT_EQ(received.peerPort, kPeerPort + 3);
}

TEST(UdpSocketTest, EveryCallFailsWithoutSocket) {
    CUdpSocket socket;
    std::uint8_t buffer[4] = {};
    EXPECT_FALSE(socket.SendTo(kPeerAddress, kPeerPort, buffer, sizeof buffer));
    EXPECT_EQ(socket.ReceiveFrom(buffer, sizeof buffer).arrival, CUdpSocket::Arrival::Failed);
    EXPECT_EQ(socket.SocketHandle(), kNoSignal);
}

} // namespace
