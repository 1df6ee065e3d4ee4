#include "runtime/UdpClient.h"
#include "runtime/RealTimeClock.h"

#include "tests/support/DatagramPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

// Wine binds a datagram socket to every address and answers from 127.0.0.1, which a client connected to
// any other address drops: the peer is at 127.0.0.1, on a port of this test's own.
constexpr const char* kPeerText = "127.0.0.1";
constexpr std::uint32_t kPeerAddress = 0x7F000001; // kPeerText
constexpr unsigned short kPeerPort = 12301;
// Nothing listens here; not even a Wine peer of a test running beside this one, with its every address.
constexpr std::uint32_t kClosedAddress = 0x7F000802; // 127.0.8.2
constexpr unsigned short kClosedPort = 12302;
constexpr std::uint32_t kEventMs = 3000; // Generous: a loopback datagram takes microseconds.
// The stamp test runs only where that rule does not hold (not under Wine), on an address of its own.
constexpr const char* kStampPeerText = "127.0.140.1";
constexpr std::uint32_t kStampPeerAddress = 0x7F008C01; // kStampPeerText
constexpr unsigned short kStampPeerPort = 12303;
constexpr std::int64_t kReadLateMicros = 300000;
constexpr int kStampRounds = 5;

TEST(UdpClientTest, ExchangesOneDatagramAndWakesTheWaiter) {
    const CDatagramPeer peer(kPeerText, kPeerPort);
    ASSERT_TRUE(peer.IsBound());
    CUdpClient client;
    CSignal answered;
    ASSERT_TRUE(client.Open(kPeerAddress, kPeerPort));
    ASSERT_TRUE(client.WatchReadable(answered));
    const std::uint8_t request[] = {1, 2, 3};
    ASSERT_TRUE(client.Send(request, sizeof request));
    EXPECT_EQ(peer.Echo({9, 8, 7, 6, 5}, kEventMs), (std::vector<std::uint8_t>{1, 2, 3}));

    ASSERT_TRUE(answered.Wait(kEventMs));
    std::uint8_t buffer[4] = {};
    std::int64_t arrival = 0;
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, arrival), 4); // cut at the buffer's size
    EXPECT_EQ(buffer[3], 6);
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, arrival), kNoDatagram);
}

// Exchanges one datagram and reads the answer kReadLateMicros after it came: how long before the read its
// stamp lies.
std::int64_t StampLeadMicros(CUdpClient& client, const CDatagramPeer& peer) {
    const std::uint8_t request[] = {1};
    const std::int64_t sentAt = RealTimeMicros();
    if (!client.Send(request, sizeof request) || peer.Echo({2}, kEventMs).size() != 1) {
        ADD_FAILURE() << "no exchange with the peer";
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(kReadLateMicros));
    const std::int64_t readAt = RealTimeMicros();
    std::uint8_t buffer[4];
    std::int64_t arrival = 0;
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, arrival), 1);
    EXPECT_GE(arrival, sentAt);
    return readAt - arrival;
}

// An answer read late is stamped with its arrival, not with the read: the time an NTP check measures is
// the network's, however long the thread that reads took to get to it.
TEST(UdpClientTest, StampsTheArrivalNotTheRead) {
    const CDatagramPeer peer(kStampPeerText, kStampPeerPort);
    ASSERT_TRUE(peer.IsBound());
    CUdpClient client;
    ASSERT_TRUE(client.Open(kStampPeerAddress, kStampPeerPort));
    // Linux turns stamping on for the whole system a moment after the first socket asks for it, and stamps
    // what arrives sooner as it is read; a few rounds get past that moment.
    std::int64_t leadMicros = 0;
    for (int round = 0; round < kStampRounds && leadMicros < kReadLateMicros / 2; ++round) {
        leadMicros = StampLeadMicros(client, peer);
    }
    // Generous: the answer arrives within the Echo, the read comes kReadLateMicros after it.
    EXPECT_GE(leadMicros, kReadLateMicros / 2);
}

TEST(UdpClientTest, ClosedPeerPortWakesTheWaiterWithAnError) {
    CUdpClient client;
    CSignal answered;
    ASSERT_TRUE(client.Open(kClosedAddress, kClosedPort));
    ASSERT_TRUE(client.WatchReadable(answered));
    const std::uint8_t request[] = {1};
    ASSERT_TRUE(client.Send(request, sizeof request));
    ASSERT_TRUE(answered.Wait(kEventMs));
    std::uint8_t buffer[4];
    std::int64_t arrival = 0;
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, arrival), -1);
}

TEST(UdpClientTest, EveryCallFailsWithoutSocket) {
    CUdpClient client;
    CSignal signal;
    std::uint8_t buffer[4] = {};
    std::int64_t arrival = 0;
    EXPECT_FALSE(client.Send(buffer, sizeof buffer));
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, arrival), -1);
    EXPECT_FALSE(client.WatchReadable(signal));
}

} // namespace
