#include "runtime/StateRelay.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

constexpr std::uint32_t kEventMs = 3000;

// A worker driven by the test: its state is set from the test's thread, its thread only idles.
class CIdleWorker : public CWorkerThread {
public:
    CIdleWorker() : CWorkerThread("") {}
    ~CIdleWorker() override { Stop(); }

protected:
    void Run() override { (void)m_stopSignal.Wait(kInfinite); }
};

struct Posted {
    const CWorkerThread* worker;
    StateReport report;
};

// The relay thread as the window runs it, collecting what it posts.
class CRelay : public CWorkerThread {
public:
    CRelay(CWorkerThread& a, CWorkerThread& b) : CWorkerThread(""), m_a(a), m_b(b) {}
    ~CRelay() override { Stop(); }

    // Set when RelayStates has returned.
    CSignal m_returned;

    // Waits up to about kEventMs until at least count reports have been posted; a copy of all of them.
    std::vector<Posted> WaitForPosts(std::size_t count) {
        for (int round = 0; round < 30; ++round) {
            {
                const std::lock_guard<std::mutex> hold(m_mutex);
                if (m_posted.size() >= count) {
                    return m_posted;
                }
                m_postedSignal.Reset();
            }
            (void)m_postedSignal.Wait(kEventMs / 30);
        }
        const std::lock_guard<std::mutex> hold(m_mutex);
        return m_posted;
    }

protected:
    void Run() override {
        RelayStates(m_stopSignal, m_a, m_b, [this](CWorkerThread& worker, StateReport report) {
            const std::lock_guard<std::mutex> hold(m_mutex);
            m_posted.push_back({&worker, report});
            m_postedSignal.Set();
        });
        m_returned.Set();
    }

private:
    CWorkerThread& m_a;
    CWorkerThread& m_b;
    std::mutex m_mutex;
    std::vector<Posted> m_posted;
    CSignal m_postedSignal;
};

class StateRelayTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_a.Start());
        ASSERT_TRUE(m_b.Start());
    }

    CIdleWorker m_a;
    CIdleWorker m_b;
    CRelay m_relay{m_a, m_b};
};

TEST_F(StateRelayTest, PostsEachWorkersChange) {
    ASSERT_TRUE(m_relay.Start());
    m_a.SetState(0);
    std::vector<Posted> posted = m_relay.WaitForPosts(1);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].worker, &m_a);
    EXPECT_EQ(posted[0].report.state, 0);

    m_b.SetState(2);
    posted = m_relay.WaitForPosts(2);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[1].worker, &m_b);
    EXPECT_EQ(posted[1].report.state, 2);
    EXPECT_EQ(posted[1].report.run, 1);
    EXPECT_EQ(posted[1].report.sequence, 1);
    EXPECT_FALSE(m_a.StateSignal().Wait(0)) << "the relay consumes the change";
}

TEST_F(StateRelayTest, ChangesBeforeAWakeUpArriveAsTheLatestAndAFirst) {
    m_b.SetState(0);
    m_a.SetState(0);
    m_a.SetState(2);
    ASSERT_TRUE(m_relay.Start());
    const std::vector<Posted> posted = m_relay.WaitForPosts(2);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].worker, &m_a) << "a's signal comes before b's";
    EXPECT_EQ(posted[0].report.state, 2);
    EXPECT_EQ(posted[0].report.sequence, 2);
    EXPECT_EQ(posted[1].worker, &m_b);
    EXPECT_EQ(posted[1].report.state, 0);
}

TEST_F(StateRelayTest, EndsOnStopAndPostsNothingAfter) {
    m_a.SetState(0);
    ASSERT_TRUE(m_relay.Start());
    ASSERT_EQ(m_relay.WaitForPosts(1).size(), 1u);
    m_relay.Stop();
    EXPECT_TRUE(m_relay.m_returned.Wait(0));

    m_a.SetState(5);
    EXPECT_TRUE(m_a.StateSignal().Wait(0)) << "nobody consumes it any more";
    EXPECT_EQ(m_relay.WaitForPosts(1).size(), 1u);
}

TEST_F(StateRelayTest, StopWinsOverPendingChanges) {
    m_a.SetState(0);
    m_b.SetState(0);
    CSignal stop;
    stop.Set();
    int posts = 0;
    RelayStates(stop, m_a, m_b, [&posts](CWorkerThread&, StateReport) { ++posts; });
    EXPECT_EQ(posts, 0);
}

} // namespace
