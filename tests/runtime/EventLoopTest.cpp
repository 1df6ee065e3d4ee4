#include "tests/support/LoopbackPeer.h"
#include "tests/support/SocketErrors.h"

#include "runtime/DescriptorLimit.h"
#include "runtime/EventLoop.h"
#include "runtime/TcpClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = CEventLoop::Clock;

constexpr unsigned short kPort = 5736;
// Generous: a loopback event takes microseconds, but the machine may be busy with other builds.
constexpr auto kEventTime = std::chrono::seconds(5);

// Starts a non-blocking connect to address; false when it could not even start.
bool StartConnect(CTcpClient& client, const std::string& address) {
    if (!client.Create(kSockStream, kIpProtoTcp, kAfInet) || !client.SetBlocking(false)) {
        return false;
    }
    return client.Connect(address, kPort) == 0 || CTcpClient::LastError() == kErrorWouldBlock;
}

class EventLoopTest : public testing::TestWithParam<LoopMechanism> {
protected:
    void SetUp() override {
        m_loop = CEventLoop::Create(GetParam());
        ASSERT_NE(m_loop, nullptr);
    }

    // The loopback address host of this test, distinct per mechanism: ctest runs both at once.
    static std::string Address(int host) {
        return "127.0.236." + std::to_string(GetParam() == LoopMechanism::Poll ? 100 + host : host);
    }

    // Waits on the loop until done holds or kEventTime passes; whether it held.
    template <typename Condition>
    bool WaitFor(Condition done) {
        const auto deadline = Clock::now() + kEventTime;
        while (!done()) {
            if (Clock::now() >= deadline || m_loop->Wait(deadline) < 0) {
                return false;
            }
        }
        return true;
    }

    std::unique_ptr<CEventLoop> m_loop;
};

TEST_P(EventLoopTest, ReportsWritableReadableAndPeerReset) {
    CLoopbackListener listener(Address(1).c_str(), kPort);
    ASSERT_TRUE(listener.IsListening());
    CTcpClient client;
    ASSERT_TRUE(StartConnect(client, Address(1)));
    unsigned seen = 0;
    ASSERT_TRUE(
        m_loop->Watch(client.SocketHandle(), LoopWritable, [&seen](unsigned events) { seen |= events; }));
    EXPECT_EQ(m_loop->WatchCount(), 1u);
    ASSERT_TRUE(WaitFor([&seen] { return seen != 0; }));
    EXPECT_EQ(seen, unsigned{LoopWritable});
    EXPECT_EQ(client.ConnectResult(), 0);
    const PeerSocket peer = listener.Accept(5000);
    ASSERT_NE(peer, kNoPeer);

    seen = 0;
    ASSERT_TRUE(m_loop->Change(client.SocketHandle(), LoopReadable));
    EXPECT_EQ(m_loop->Wait(Clock::now()), 0) << "writable, but no longer asked for; nothing to read yet";
    ASSERT_TRUE(SendAll(peer, "x"));
    ASSERT_TRUE(WaitFor([&seen] { return seen != 0; }));
    EXPECT_EQ(seen, unsigned{LoopReadable});
    char byte = 0;
    EXPECT_EQ(client.Receive(&byte, 1, 0), 1);

    seen = 0;
    ASSERT_TRUE(m_loop->Change(client.SocketHandle(), 0));
    CloseWithReset(peer);
    ASSERT_TRUE(WaitFor([&seen] { return seen != 0; }));
    EXPECT_NE(seen & LoopError, 0u) << "a reset is reported with nothing asked for";
    m_loop->Forget(client.SocketHandle());
    EXPECT_EQ(m_loop->WatchCount(), 0u);
    EXPECT_FALSE(m_loop->Change(client.SocketHandle(), LoopReadable)) << "no longer watched";
    EXPECT_FALSE(m_loop->Watch(CTcpClient().SocketHandle(), LoopReadable, [](unsigned) {})) << "no socket";
    EXPECT_EQ(m_loop->WatchCount(), 0u);
}

TEST_P(EventLoopTest, ReportsARefusedConnect) {
    CTcpClient client;
    ASSERT_TRUE(StartConnect(client, Address(2)));
    unsigned seen = 0;
    ASSERT_TRUE(
        m_loop->Watch(client.SocketHandle(), LoopWritable, [&seen](unsigned events) { seen |= events; }));
    ASSERT_TRUE(WaitFor([&seen] { return seen != 0; })) << "a refused connect must end the wait";
    EXPECT_EQ(client.ConnectResult(), PlatformSocketErrors().refused);
    EXPECT_EQ(client.ConnectResult(), PlatformSocketErrors().refused) << "asked again, the same answer";
    m_loop->Forget(client.SocketHandle());
}

// Two sockets ready in one wake: whichever handler runs first forgets the other, or forgets it and watches
// it again with a new handler. The second one's events were reported for the old watch and must not reach
// anyone; the new watch hears of the socket at the next wake.
TEST_P(EventLoopTest, AWatchForgottenDuringAWakeIsNotCalled) {
    CLoopbackListener listener(Address(3).c_str(), kPort);
    ASSERT_TRUE(listener.IsListening());
    for (const bool watchAgain : {false, true}) {
        SCOPED_TRACE(watchAgain ? "forgotten and watched again" : "forgotten");
        CTcpClient clients[2];
        for (CTcpClient& client : clients) {
            ASSERT_TRUE(StartConnect(client, Address(3)));
        }
        int calls[2] = {0, 0};
        int newHandlerCalls = 0;
        for (int index = 0; index < 2; ++index) {
            const WaitHandle other = clients[1 - index].SocketHandle();
            auto handler = [&, index, other](unsigned) {
                ++calls[index];
                m_loop->Forget(other);
                if (watchAgain) {
                    m_loop->Watch(other, LoopWritable, [&newHandlerCalls](unsigned) { ++newHandlerCalls; });
                }
                // The handler's own watch goes too; what it captured must live until it returns.
                m_loop->Forget(clients[index].SocketHandle());
                EXPECT_EQ(other, clients[1 - index].SocketHandle());
            };
            ASSERT_TRUE(m_loop->Watch(clients[index].SocketHandle(), LoopWritable, handler));
        }
        // Both connects complete before the wake, so that the system reports both in it.
        for (int accepted = 0; accepted < 2; ++accepted) {
            CloseFd(listener.Accept(5000));
        }
        ASSERT_TRUE(WaitFor([&calls] { return calls[0] + calls[1] != 0; }));
        EXPECT_EQ(calls[0] + calls[1], 1);
        EXPECT_EQ(newHandlerCalls, 0);
        if (watchAgain) {
            EXPECT_EQ(m_loop->WatchCount(), 1u);
            ASSERT_TRUE(WaitFor([&newHandlerCalls] { return newHandlerCalls != 0; }));
        }
        EXPECT_EQ(calls[0] + calls[1], 1);
        for (CTcpClient& client : clients) {
            m_loop->Forget(client.SocketHandle());
        }
        EXPECT_EQ(m_loop->WatchCount(), 0u);
    }
}

TEST_P(EventLoopTest, TimersRunInTimeOrderOnceAndNotWhenCancelled) {
    const Clock::time_point start = Clock::now();
    std::vector<int> order;
    LoopTimerId cancelledByHandler = 0;
    m_loop->StartTimer(start - std::chrono::milliseconds(2), [&](unsigned) {
        order.push_back(2);
        m_loop->CancelTimer(cancelledByHandler);
        // Due already, but it waits for the next wake: a handler restarting itself cannot hold a wake.
        m_loop->StartTimer(start - std::chrono::milliseconds(9), [&order](unsigned) { order.push_back(9); });
    });
    const LoopTimerId cancelled =
        m_loop->StartTimer(start - std::chrono::milliseconds(5), [&](unsigned) { order.push_back(5); });
    m_loop->StartTimer(start - std::chrono::milliseconds(3), [&](unsigned) { order.push_back(3); });
    cancelledByHandler =
        m_loop->StartTimer(start - std::chrono::milliseconds(1), [&](unsigned) { order.push_back(1); });
    EXPECT_NE(cancelled, cancelledByHandler);
    m_loop->CancelTimer(cancelled);
    m_loop->CancelTimer(cancelled);

    EXPECT_EQ(m_loop->Wait(), 2);
    EXPECT_EQ(order, (std::vector<int>{3, 2}));
    EXPECT_EQ(m_loop->Wait(), 1);
    EXPECT_EQ(order, (std::vector<int>{3, 2, 9}));
    EXPECT_EQ(m_loop->Wait(Clock::now()), 0) << "each timer runs once";
}

TEST_P(EventLoopTest, ManyTimersRunInTimeOrder) {
    // Far more than fit in one cache line of a heap, restarted and cancelled the way time-outs are.
    constexpr int kTimers = 20000;
    const Clock::time_point start = Clock::now() - std::chrono::hours(1);
    std::mt19937 random(36);
    std::vector<long long> fired;
    std::vector<LoopTimerId> ids;
    for (int index = 0; index < kTimers; ++index) {
        const long long offset = std::uniform_int_distribution<long long>(0, 1000000)(random);
        ids.push_back(m_loop->StartTimer(start + std::chrono::microseconds(offset),
                                         [&fired, offset](unsigned) { fired.push_back(offset); }));
    }
    // Three in four go: the heap drops the cancelled entries on the way, and must stay in order.
    for (int index = 0; index < kTimers; ++index) {
        if (index % 4 != 0) {
            m_loop->CancelTimer(ids[static_cast<std::size_t>(index)]);
        }
    }
    EXPECT_EQ(m_loop->Wait(), kTimers / 4);
    EXPECT_EQ(fired.size(), std::size_t{kTimers / 4});
    EXPECT_TRUE(std::is_sorted(fired.begin(), fired.end()));
}

TEST_P(EventLoopTest, AWaitWithALimitEndsAtItAndNotBefore) {
    bool timerCalled = false;
    m_loop->StartTimer(Clock::now() + std::chrono::hours(1),
                       [&timerCalled](unsigned) { timerCalled = true; });
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(30);
    EXPECT_EQ(m_loop->Wait(until), 0);
    EXPECT_GE(Clock::now(), until);
    EXPECT_FALSE(timerCalled);

    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(20);
    m_loop->StartTimer(due, [&timerCalled](unsigned) { timerCalled = true; });
    ASSERT_TRUE(WaitFor([&timerCalled] { return timerCalled; }));
    EXPECT_GE(Clock::now(), due);
}

TEST_P(EventLoopTest, ASignalWakesTheWaitWhileItIsSet) {
    CSignal signal;
    int calls = 0;
    ASSERT_TRUE(m_loop->WatchSignal(signal, [&calls](unsigned events) {
        EXPECT_EQ(events, unsigned{LoopReadable});
        ++calls;
    }));
    EXPECT_EQ(m_loop->WatchCount(), 1u);
    EXPECT_EQ(m_loop->Wait(Clock::now()), 0);
    std::thread setter([&signal] { signal.Set(); });
    EXPECT_EQ(m_loop->Wait(), 1) << "no limit: only the signal can end this wait";
    setter.join();
    EXPECT_EQ(m_loop->Wait(Clock::now() + kEventTime), 1) << "still set, so reported again";
    signal.Reset();
    EXPECT_EQ(m_loop->Wait(Clock::now()), 0);
    m_loop->ForgetSignal(signal);
    signal.Set();
    EXPECT_EQ(m_loop->Wait(Clock::now()), 0) << "forgotten";
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(m_loop->WatchCount(), 0u);
}

TEST_P(EventLoopTest, ReportsThousandsOfSocketsInOneWait) {
    constexpr int kSockets = 2000;
    const auto limit = RaiseDescriptorLimit();
    if (limit && *limit < kSockets + 100) {
        GTEST_SKIP() << "the descriptor limit is " << *limit;
    }
    CLoopbackListener listener(Address(4).c_str(), kPort, kSockets);
    ASSERT_TRUE(listener.IsListening());
    std::vector<CTcpClient> clients(kSockets);
    std::vector<int> calls(kSockets, 0);
    for (int index = 0; index < kSockets; ++index) {
        CTcpClient& client = clients[static_cast<std::size_t>(index)];
        ASSERT_TRUE(StartConnect(client, Address(4)));
        ASSERT_TRUE(
            m_loop->Watch(client.SocketHandle(), LoopWritable, [this, &calls, &client, index](unsigned) {
                ++calls[static_cast<std::size_t>(index)];
                m_loop->Forget(client.SocketHandle());
            }));
    }
    int wakes = 0;
    ASSERT_TRUE(WaitFor([&] {
        ++wakes;
        return m_loop->WatchCount() == 0;
    }));
    EXPECT_TRUE(std::all_of(calls.begin(), calls.end(), [](int count) { return count == 1; }));
    EXPECT_LT(wakes, kSockets / 10) << "sockets ready together are reported together";
}

std::string MechanismName(const testing::TestParamInfo<LoopMechanism>& info) {
    return info.param == LoopMechanism::Best ? "Best" : "Poll";
}

INSTANTIATE_TEST_SUITE_P(Mechanisms, EventLoopTest, testing::Values(LoopMechanism::Best, LoopMechanism::Poll),
                         MechanismName);

} // namespace
