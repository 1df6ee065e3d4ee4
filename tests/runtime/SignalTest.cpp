#include "runtime/Signal.h"
#include "runtime/WaitSet.h"
#include "tests/support/DescriptorExhaustion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(SignalTest, StaysSetUntilReset) {
    CSignal signal;
    ASSERT_NE(signal.Handle(), kNothingFired);
    EXPECT_FALSE(signal.Wait(0));

    EXPECT_TRUE(signal.Set());
    EXPECT_TRUE(signal.Set());
    EXPECT_TRUE(signal.Wait(0));
    EXPECT_TRUE(signal.Wait(0)) << "a wait must not clear a manual-reset signal";
    EXPECT_TRUE(signal.Wait(kInfinite));

    EXPECT_TRUE(signal.Reset());
    EXPECT_FALSE(signal.Wait(0)) << "one Reset clears any number of Sets";
    EXPECT_TRUE(signal.Reset()) << "resetting a clear signal is harmless";
}

TEST(SignalTest, SetBeyondPipeCapacityStaysSetAndResets) {
    CSignal signal;
    // More Sets than a pipe holds bytes: the later ones find it full and must still succeed.
    for (int count = 0; count < 70000; ++count) {
        ASSERT_TRUE(signal.Set()) << "Set number " << count;
    }
    EXPECT_TRUE(signal.Reset());
    EXPECT_FALSE(signal.Wait(0));
}

TEST(SignalTest, TimedWaitLastsItsTime) {
    CSignal a;
    CSignal b;
    const auto start = Clock::now();
    EXPECT_EQ(WaitForAny(a, b, 60), kNothingFired);
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 60);
    EXPECT_LT(elapsed, 2000);

    const auto pollStart = Clock::now();
    EXPECT_FALSE(a.Wait(0));
    EXPECT_EQ(WaitForAny(a, b, 0), kNothingFired);
    EXPECT_LT(MillisecondsSince(pollStart), 500) << "a time-out of 0 only polls";
}

TEST(WaitForAnyTest, FirstArgumentWinsAndNothingIsCleared) {
    CSignal a;
    CSignal b;
    CSignal c;
    c.Set();
    EXPECT_EQ(WaitForAny(a, b, c, 0), c.Handle());
    b.Set();
    EXPECT_EQ(WaitForAny(a, b, c, 0), b.Handle());
    a.Set();
    EXPECT_EQ(WaitForAny(a, b, c, 0), a.Handle());
    EXPECT_EQ(WaitForAny(c, a, 0), c.Handle());
    EXPECT_EQ(WaitForAny(a, b, kInfinite), a.Handle()) << "a set signal returns at once, again";
    EXPECT_TRUE(a.Wait(0));
    EXPECT_TRUE(b.Wait(0));
    EXPECT_TRUE(c.Wait(0));
}

TEST(WaitForAnyTest, DuplicatesAreWaitedOnOnce) {
    CSignal s;
    CSignal other;
    CWaitSet set;
    set.Add(s);
    set.Add(other);
    set.Add(s);
    ASSERT_EQ(set.Count(), 2u);
    EXPECT_EQ(set.Handles()[0], s.Handle());
    EXPECT_EQ(set.Handles()[1], other.Handle());
    EXPECT_EQ(&set.SignalAt(1), &other);

    EXPECT_EQ(WaitForAny(s, s, 0), kNothingFired);
    s.Set();
    EXPECT_EQ(WaitForAny(s, s, 0), s.Handle());
    EXPECT_EQ(WaitForAny(set, 0), s.Handle());
}

TEST(WaitForAnyTest, EmptySetFailsAtOnce) {
    CWaitSet set;
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(set.Handles(), nullptr);
    const auto start = Clock::now();
    EXPECT_EQ(WaitForAny(set, kInfinite), kWaitFailed);
    EXPECT_LT(MillisecondsSince(start), 500);
}

TEST(WaitForAnyTest, SetFromAnotherThreadWakesInfiniteWait) {
    CSignal stop;
    CSignal work;
    int payload = 0; // Plain data: the signal must order the setter's write before the waiter's read.
    std::atomic<WaitHandle> fired{kNothingFired};
    std::atomic<int> seen{0};
    std::thread waiter([&] {
        fired = WaitForAny(stop, work, kInfinite);
        seen = payload;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(fired.load(), kNothingFired) << "the wait returned before anything was set";
    payload = 42;
    work.Set();
    waiter.join();
    EXPECT_EQ(fired.load(), work.Handle());
    EXPECT_EQ(seen.load(), 42);
}

// Measures how long a blocked waiter takes to return after Set, and prints the figures.
TEST(WaitForAnyTest, WakeUpLatency) {
    constexpr int kRounds = 50;
    std::vector<double> latenciesUs;
    for (int round = 0; round < kRounds; ++round) {
        CSignal stop;
        CSignal work;
        std::atomic<bool> waiting{false};
        Clock::time_point returned;
        std::thread waiter([&] {
            waiting = true;
            (void)WaitForAny(stop, work, kInfinite);
            returned = Clock::now();
        });
        while (!waiting) {
            std::this_thread::yield();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2)); // Let the waiter reach poll().
        const auto setAt = Clock::now();
        work.Set();
        waiter.join();
        latenciesUs.push_back(std::chrono::duration<double, std::micro>(returned - setAt).count());
    }
    std::sort(latenciesUs.begin(), latenciesUs.end());
    const double median = latenciesUs[kRounds / 2];
    const double worst = latenciesUs.back();
    std::printf("wake-up latency over %d rounds: median %.1f us, max %.1f us\n", kRounds, median, worst);
    RecordProperty("wake_up_latency_median_us", static_cast<int>(median));
    RecordProperty("wake_up_latency_max_us", static_cast<int>(worst));
    EXPECT_LT(worst, 1e6) << "a wake-up should take microseconds, not a second";
}

TEST(WaitForAnyTest, FailedSignalFailsEveryWait) {
    CSignal healthy;
    healthy.Set();
    std::unique_ptr<CSignal> failed;
    {
        CDescriptorExhaustion exhaustion;
        failed = std::make_unique<CSignal>();
    }
    ASSERT_EQ(failed->Handle(), kNoSignal);
    EXPECT_FALSE(failed->Set());
    EXPECT_FALSE(failed->Reset());
    EXPECT_FALSE(failed->Wait(0));
    EXPECT_FALSE(failed->Wait(kInfinite)) << "must fail at once, not block";
    EXPECT_EQ(WaitForAny(healthy, *failed, 0), kWaitFailed) << "a failure is never a time-out or an event";
    EXPECT_EQ(WaitForAny(*failed, healthy, kInfinite), kWaitFailed);
}

} // namespace
