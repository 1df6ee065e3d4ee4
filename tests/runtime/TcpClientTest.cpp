#include "tests/support/LoopbackPeer.h"
#include "tests/support/SocketErrors.h"

#include "runtime/TcpClient.h"
#include "runtime/WaitSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned short kPort = 5316;
constexpr std::uint32_t kEventMs = 3000; // Generous: a loopback event takes microseconds.

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Creates the socket the way the link does and starts a connect; the connect's result.
int StartConnect(CTcpClient& client, const char* address) {
    if (!client.Create(kSockStream, kIpProtoTcp, kAfInet) || !client.SetBlocking(false) ||
        !client.SetReuseAddress(true)) {
        return 0;
    }
    return client.Connect(address, kPort);
}

// Connects client to listener and returns the accepted connection, or kNoPeer.
PeerSocket ConnectAccepted(CTcpClient& client, const char* address, const CLoopbackListener& listener) {
    CSignal connected;
    if (StartConnect(client, address) != kSocketError ||
        client.EventSelect(EventConnect | EventClose, connected) != 0 || !connected.Wait(kEventMs) ||
        !client.IsConnectEstablished()) {
        return kNoPeer;
    }
    return listener.Accept(kEventMs);
}

TEST(TcpClientTest, EveryCallFailsWithoutSocket) {
    CTcpClient client;
    CSignal signal;
    char buffer[8];
    EXPECT_FALSE(client.IsOpen());
    EXPECT_FALSE(client.SetBlocking(false));
    EXPECT_FALSE(client.SetReuseAddress(true));
    EXPECT_EQ(client.Connect("127.0.1.1", kPort), kSocketError);
    EXPECT_EQ(client.Send("x", 1, 0), kSocketError);
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 0), kSocketError);
    EXPECT_EQ(CTcpClient::LastError(), PlatformSocketErrors().noSocket);
    EXPECT_EQ(client.EventSelect(EventRead, signal), kSocketError);
    EXPECT_FALSE(client.IsConnectEstablished());
    EXPECT_EQ(client.Close(), -1);
    EXPECT_EQ(client.Close(), -1);
}

TEST(TcpClientTest, RemoteHoldsTheDestinationInNetworkOrder) {
    CTcpClient client;
    EXPECT_EQ(StartConnect(client, "127.0.1.2"), kSocketError);
    const RemoteAddress& remote = client.Remote();
    EXPECT_EQ(remote.family, kAfInet);
    EXPECT_EQ(remote.port[0], 0x14);
    EXPECT_EQ(remote.port[1], 0xC4);
    EXPECT_EQ(remote.address[0], 127);
    EXPECT_EQ(remote.address[1], 0);
    EXPECT_EQ(remote.address[2], 1);
    EXPECT_EQ(remote.address[3], 2);
    EXPECT_EQ(client.Close(), 0);
    EXPECT_EQ(client.Remote().address[3], 2) << "the destination outlives the socket";
}

TEST(TcpClientTest, TextThatIsNoAddressBecomesAllOnes) {
    // The system refuses a TCP connect to the broadcast address at once, so no packet leaves the machine.
    CTcpClient client;
    ASSERT_TRUE(client.Create(kSockStream, kIpProtoTcp, kAfInet));
    EXPECT_EQ(client.Connect("not an address", kPort), kSocketError);
    EXPECT_NE(CTcpClient::LastError(), kErrorWouldBlock);
    for (const unsigned char byte : client.Remote().address) {
        EXPECT_EQ(byte, 255);
    }
}

TEST(TcpClientTest, RefusedConnectFiresAndProbesFalse) {
    CTcpClient client;
    ASSERT_EQ(StartConnect(client, "127.0.1.3"), kSocketError);
    ASSERT_EQ(CTcpClient::LastError(), kErrorWouldBlock);
    CSignal stop;
    CSignal connected;
    ASSERT_EQ(client.EventSelect(EventConnect | EventClose, connected), 0);
    EXPECT_EQ(WaitForAny(stop, connected, kEventMs), connected.Handle());
    EXPECT_FALSE(client.IsConnectEstablished()) << "writable, but SO_ERROR says refused";
    EXPECT_EQ(CTcpClient::LastError(), PlatformSocketErrors().refused);
}

TEST(TcpClientTest, AcceptedConnectProbesTrueAndCarriesData) {
    CLoopbackListener listener("127.0.1.4", kPort);
    ASSERT_TRUE(listener.IsListening());
    CTcpClient client;
    const PeerSocket peer = ConnectAccepted(client, "127.0.1.4", listener);
    ASSERT_NE(peer, kNoPeer);
    EXPECT_TRUE(client.IsConnectEstablished()) << "a second probe of a standing connection";

    EXPECT_EQ(client.Send("getdate\n", 8, 0), 8);
    EXPECT_EQ(ReceiveSome(peer, kEventMs), "getdate\n");

    CSignal readable;
    char buffer[64];
    ASSERT_EQ(client.EventSelect(EventRead | EventClose, readable), 0);
    EXPECT_FALSE(readable.Wait(0));
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 0), kSocketError);
    EXPECT_EQ(CTcpClient::LastError(), kErrorWouldBlock);

    ASSERT_TRUE(SendAll(peer, "# "));
    EXPECT_TRUE(readable.Wait(kEventMs));
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 0), 2);
    EXPECT_TRUE(readable.Wait(0)) << "fired stays set until Reset, like the platform's event";
    readable.Reset();
    EXPECT_FALSE(readable.Wait(0)) << "nothing left to read, so nothing sets it again";

    CloseFd(peer);
    EXPECT_TRUE(readable.Wait(kEventMs));
    EXPECT_EQ(client.Receive(buffer, sizeof buffer, 0), 0);
    EXPECT_EQ(client.Close(), 0);
}

TEST(TcpClientTest, EventSelectReplacesAndCancels) {
    CLoopbackListener listener("127.0.1.5", kPort);
    ASSERT_TRUE(listener.IsListening());
    CTcpClient client;
    const PeerSocket peer = ConnectAccepted(client, "127.0.1.5", listener);
    ASSERT_NE(peer, kNoPeer);
    ASSERT_TRUE(SendAll(peer, "data"));

    CSignal first;
    CSignal second;
    ASSERT_EQ(client.EventSelect(EventRead, first), 0);
    ASSERT_EQ(client.EventSelect(EventRead, second), 0);
    first.Reset(); // Windows sets it at its own EventSelect already, since data was waiting then
    EXPECT_EQ(WaitForAny(first, second, kEventMs), second.Handle());
    EXPECT_FALSE(first.Wait(0)) << "the earlier request was replaced";

    second.Reset();
    EXPECT_EQ(client.EventSelect(0, second), 0);
    EXPECT_FALSE(second.Wait(50)) << "mask 0 cancels";
    EXPECT_EQ(client.EventSelect(32, second), 0);
    EXPECT_FALSE(second.Wait(50)) << "bits outside the five request nothing";
    CloseFd(peer);
}

TEST(TcpClientTest, SendToClosedPeerFailsWithoutSigpipe) {
    CLoopbackListener listener("127.0.1.6", kPort);
    ASSERT_TRUE(listener.IsListening());
    CTcpClient client;
    const PeerSocket peer = ConnectAccepted(client, "127.0.1.6", listener);
    ASSERT_NE(peer, kNoPeer);
    CloseWithReset(peer);

    // The reset needs a moment to arrive; a SIGPIPE here would end the whole test program.
    int result = 0;
    for (int attempt = 0; attempt < 100 && result != kSocketError; ++attempt) {
        result = client.Send("version\n", 8, 0);
        if (result != kSocketError) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    EXPECT_EQ(result, kSocketError);
    const int error = CTcpClient::LastError();
    const std::vector<int>& expected = PlatformSocketErrors().peerGone;
    EXPECT_NE(std::find(expected.begin(), expected.end(), error), expected.end()) << "error " << error;
}

TEST(TcpClientTest, CloseStopsTheWatchWhicheverGoesFirst) {
    CLoopbackListener listener("127.0.1.7", kPort);
    ASSERT_TRUE(listener.IsListening());
    CSignal outliving;
    {
        CTcpClient client;
        ASSERT_EQ(StartConnect(client, "127.0.1.7"), kSocketError);
        ASSERT_EQ(client.EventSelect(EventRead | EventClose | EventWrite, outliving), 0);
        EXPECT_EQ(client.Close(), 0);
        EXPECT_EQ(client.Close(), -1) << "a second Close finds no socket";
        EXPECT_FALSE(client.IsOpen());
    }
    outliving.Reset(); // Windows sets it as soon as the connect completes, which may be before the Close
    // A socket opened now may get the closed socket's number; it is readable and writable, but the
    // old request must not follow it.
    CloseFd(listener.Accept(500)); // the closed client's connection, so that the next accept is the new one
    {
        CTcpClient reused;
        const PeerSocket peer = ConnectAccepted(reused, "127.0.1.7", listener);
        ASSERT_NE(peer, kNoPeer);
        ASSERT_TRUE(SendAll(peer, "x"));
        EXPECT_FALSE(outliving.Wait(50));
        CloseFd(peer);
    }

    CTcpClient client;
    ASSERT_EQ(StartConnect(client, "127.0.1.7"), kSocketError);
    {
        CSignal local;
        ASSERT_EQ(client.EventSelect(EventConnect | EventClose, local), 0);
    }
    EXPECT_EQ(client.Close(), 0) << "the signal went first; the socket still closes cleanly";
}

// A listener that accepts nothing more: a connect to it stays under way, as to an address that
// nothing answers.
class TcpClientSilentAddressTest : public testing::Test {
protected:
    void StartSilentConnect(const char* address) {
        m_listener = std::make_unique<CLoopbackListener>(address, kPort, 0);
        ASSERT_TRUE(m_listener->IsListening());
        ASSERT_TRUE(m_listener->FillAcceptQueue());
        ASSERT_EQ(StartConnect(m_client, address), kSocketError);
        ASSERT_EQ(CTcpClient::LastError(), kErrorWouldBlock);
        ASSERT_EQ(m_client.EventSelect(EventConnect | EventClose, m_connected), 0);
    }

    std::unique_ptr<CLoopbackListener> m_listener;
    CTcpClient m_client;
    CSignal m_stop;
    CSignal m_connected;
};

TEST_F(TcpClientSilentAddressTest, ConnectTimesOutAfterTheConnectTimeout) {
    m_client.SetConnectTimeout(300);
    StartSilentConnect("127.0.1.8");
    const auto start = Clock::now();
    EXPECT_EQ(WaitForAny(m_stop, m_connected, 4000), m_connected.Handle());
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 3000);
    EXPECT_FALSE(m_client.IsConnectEstablished());
    EXPECT_EQ(CTcpClient::LastError(), PlatformSocketErrors().timedOut);
    EXPECT_TRUE(m_connected.Wait(0)) << "the time-out sets the signal for good";
}

TEST_F(TcpClientSilentAddressTest, StopEndsTheConnectWaitEarly) {
    StartSilentConnect("127.0.1.9");
    EXPECT_EQ(WaitForAny(m_stop, m_connected, 200), kNothingFired) << "nothing answers yet";
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_stop.Set();
    });
    const auto start = Clock::now();
    EXPECT_EQ(WaitForAny(m_stop, m_connected, kInfinite), m_stop.Handle());
    EXPECT_LT(MillisecondsSince(start), 3000);
    stopper.join();
}

} // namespace
