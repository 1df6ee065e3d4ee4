#include "runtime/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <utility>

namespace {

constexpr std::uint32_t kEventMs = 3000;

// A worker whose body the test supplies; it records what each run saw when it began.
class CTestWorker : public CWorkerThread {
public:
    explicit CTestWorker(std::function<void(CTestWorker&)> body = {})
        : CWorkerThread(""), m_body(std::move(body)) {}
    ~CTestWorker() override { Stop(); }

    // Blocks the calling worker thread until Stop.
    void WaitForStop() { (void)m_stopSignal.Wait(kInfinite); }
    // Whether the stop signal is set now.
    bool IsStopRequested() const { return m_stopSignal.Wait(0); }

    std::atomic<int> m_runs{0};
    std::atomic<int> m_running{0};
    std::atomic<int> m_mostRunning{0};
    std::atomic<bool> m_startedClean{true};
    CSignal m_begun;

protected:
    void Run() override {
        const int running = ++m_running;
        if (running > m_mostRunning) {
            m_mostRunning = running;
        }
        const bool clean = GetState() == -1 && !StateSignal().Wait(0) && !m_stopSignal.Wait(0);
        m_startedClean = m_startedClean && clean;
        ++m_runs;
        m_begun.Set();
        if (m_body) {
            m_body(*this);
        } else {
            WaitForStop();
        }
        --m_running;
    }

private:
    std::function<void(CTestWorker&)> m_body;
};

TEST(WorkerThreadTest, StartRunsAndStopJoins) {
    CTestWorker worker;
    EXPECT_FALSE(worker.IsStarted());
    EXPECT_EQ(worker.GetReport().run, 0);
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.IsStarted());
    ASSERT_TRUE(worker.m_begun.Wait(kEventMs));
    EXPECT_EQ(worker.GetState(), -1);
    EXPECT_EQ(worker.GetReport().run, 1);
    EXPECT_EQ(worker.GetReport().sequence, 0);

    worker.Stop();
    EXPECT_FALSE(worker.IsStarted());
    EXPECT_EQ(worker.m_running.load(), 0) << "Stop returns only after Run has ended";
    EXPECT_TRUE(worker.IsStopRequested()) << "the stop signal stays set until the next Start";
    EXPECT_TRUE(worker.m_startedClean.load());
}

TEST(WorkerThreadTest, StopWhenIdleDoesNothing) {
    CTestWorker worker;
    worker.Stop();
    worker.Stop();
    EXPECT_FALSE(worker.IsStarted());
    EXPECT_FALSE(worker.IsStopRequested()) << "no thread, so no stop request either";
}

TEST(WorkerThreadTest, StartTwiceLeavesOneCleanRun) {
    CTestWorker worker([](CTestWorker& self) {
        self.SetState(5);
        self.WaitForStop();
    });
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.m_begun.Wait(kEventMs));
    ASSERT_TRUE(worker.StateSignal().Wait(kEventMs));
    worker.m_begun.Reset();

    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.m_begun.Wait(kEventMs));
    EXPECT_EQ(worker.m_runs.load(), 2);
    EXPECT_EQ(worker.m_mostRunning.load(), 1) << "the first thread ended before the second began";
    EXPECT_TRUE(worker.m_startedClean.load()) << "state -1, no signal left over from the first run";
    ASSERT_TRUE(worker.StateSignal().Wait(kEventMs));
    const StateReport report = worker.GetReport();
    EXPECT_EQ(report.state, 5);
    EXPECT_EQ(report.run, 2);
    EXPECT_EQ(report.sequence, 1);
    worker.Stop();
}

TEST(WorkerThreadTest, OnlyChangesSignalAndCount) {
    CTestWorker worker([](CTestWorker& self) {
        self.SetState(0);
        self.SetState(5);
        self.SetState(5);
        self.WaitForStop();
    });
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.m_begun.Wait(kEventMs));
    ASSERT_TRUE(worker.StateSignal().Wait(kEventMs));
    worker.Stop();

    StateReport report = worker.GetReport();
    EXPECT_EQ(report.state, 5);
    EXPECT_EQ(report.sequence, 2) << "0 and 5 are changes, the second 5 is not";

    worker.StateSignal().Reset();
    worker.SetState(5);
    EXPECT_FALSE(worker.StateSignal().Wait(0)) << "an equal value sets nothing";
    EXPECT_EQ(worker.GetReport().sequence, 2);
    worker.SetState(-1);
    EXPECT_TRUE(worker.StateSignal().Wait(0));
    report = worker.GetReport();
    EXPECT_EQ(report.state, -1);
    EXPECT_EQ(report.run, 1);
    EXPECT_EQ(report.sequence, 3);
}

TEST(WorkerThreadTest, RunThatReturnedByItselfIsStillJoined) {
    CTestWorker worker([](CTestWorker& self) { self.SetState(2); });
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.StateSignal().Wait(kEventMs));
    EXPECT_TRUE(worker.IsStarted()) << "started and not yet stopped, although Run has returned";
    worker.Stop();
    EXPECT_FALSE(worker.IsStarted());
    EXPECT_EQ(worker.GetState(), 2) << "the last state stays readable after Stop";
}

} // namespace
