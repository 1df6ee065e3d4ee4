#include "runtime/UdpClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr std::uint32_t kPeerAddress = 0x7F000801;   // 127.0.8.1
constexpr std::uint32_t kClosedAddress = 0x7F000802; // 127.0.8.2: nothing listens there
constexpr unsigned short kPort = 12301;
constexpr std::uint32_t kEventMs = 3000; // Generous: a loopback datagram takes microseconds.

// The far end, on plain POSIX sockets so that it shares no code with the client under test.
class CUdpPeer {
public:
    CUdpPeer() {
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(kPort);
        local.sin_addr.s_addr = htonl(kPeerAddress);
        m_bound = m_fd >= 0 && bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    }
    ~CUdpPeer() { close(m_fd); }
    bool IsBound() const { return m_bound; }
    // Receives one datagram within kEventMs and sends reply back to its sender; the datagram received.
    std::vector<std::uint8_t> Echo(const std::vector<std::uint8_t>& reply) const {
        pollfd readable{m_fd, POLLIN, 0};
        std::vector<std::uint8_t> datagram(64);
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        if (poll(&readable, 1, kEventMs) != 1) {
            return {};
        }
        const ssize_t received = recvfrom(m_fd, datagram.data(), datagram.size(), 0,
                                          reinterpret_cast<sockaddr*>(&sender), &length);
        datagram.resize(received < 0 ? 0 : static_cast<std::size_t>(received));
        (void)sendto(m_fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&sender), length);
        return datagram;
    }

private:
    int m_fd = -1;
    bool m_bound = false;
};

TEST(UdpClientTest, ExchangesOneDatagramAndWakesTheWaiter) {
    CUdpPeer peer;
    ASSERT_TRUE(peer.IsBound());
    CUdpClient client;
    CSignal answered;
    ASSERT_TRUE(client.Open(kPeerAddress, kPort));
    ASSERT_TRUE(client.WatchReadable(answered));
    const std::uint8_t request[] = {1, 2, 3};
    ASSERT_TRUE(client.Send(request, sizeof request));
    EXPECT_EQ(peer.Echo({9, 8, 7, 6, 5}), (std::vector<std::uint8_t>{1, 2, 3}));

    ASSERT_TRUE(answered.Wait(kEventMs));
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), 4); // cut at the buffer's size
    EXPECT_EQ(buffer[3], 6);
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), kNoDatagram);
}

TEST(UdpClientTest, ClosedPeerPortWakesTheWaiterWithAnError) {
    CUdpClient client;
    CSignal answered;
    ASSERT_TRUE(client.Open(kClosedAddress, kPort));
    ASSERT_TRUE(client.WatchReadable(answered));
    const std::uint8_t request[] = {1};
    ASSERT_TRUE(client.Send(request, sizeof request));
    ASSERT_TRUE(answered.Wait(kEventMs));
    std::uint8_t buffer[4];
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), -1);
}

TEST(UdpClientTest, EveryCallFailsWithoutSocket) {
    CUdpClient client;
    CSignal signal;
    std::uint8_t buffer[4] = {};
    EXPECT_FALSE(client.Send(buffer, sizeof buffer));
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), -1);
    EXPECT_FALSE(client.WatchReadable(signal));
}

} // namespace
