// The alarm feed's timer for a held alarm, which the window tests' recording view takes without its period.
#include "ui/AlarmFeed.h"

#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

namespace {

using namespace std::chrono_literals;

constexpr int kTimerId = 7;

class CTimerPeriodView : public CRecordingView {
public:
    void StartTimer(int timerId, int periodMs) override {
        CRecordingView::StartTimer(timerId, periodMs);
        periods[timerId] = periodMs;
    }
    std::map<int, int> periods;
};

// The timer waits until the held alarm is due, rounded up to a whole millisecond: a timer that fired
// early would find nothing due and start again at once. Never 0 ms or less, which some timers take as
// "at once, over and over" and some refuse.
TEST(AlarmFeed, TheTimerOfAHeldAlarmEndsWhenItIsDueAndNeverSoonerThanAMillisecond) {
    struct Case {
        CAlarmFeed::Clock::duration beforeDue;
        int periodMs;
    };
    for (const Case& c : {Case{60s, 60000}, Case{1500us, 2}, Case{0s, 1}, Case{-1s, 1}}) {
        CTimerPeriodView view;
        RestartEnvironment environment;
        const CAlarmFeed::Clock::time_point start{1h};
        CAlarmFeed::Clock::time_point now = start;
        environment.now = [&now] { return now; };
        CAlarmFeed feed(view, environment, kTimerId);
        feed.SetDevice("127.0.177.1");
        // Lost and regained twice within a minute: the last recovery is held for the minute's end.
        feed.LogConnected("shell");
        for (int i = 0; i < 2; ++i) {
            feed.LogAction(WindowAction::Kind::ConnectionLost);
            feed.LogConnected("shell");
        }
        ASSERT_EQ(view.m_alarms.size(), 3u);
        ASSERT_EQ(view.m_withdrawnAlarms.size(), 1u);
        ASSERT_TRUE(view.IsTimerRunning(kTimerId));

        // Any later news sets the timer again from the clock of then.
        now = start + 1min - c.beforeDue;
        feed.LogAction(WindowAction::Kind::ChangeAsked);
        EXPECT_EQ(view.periods[kTimerId], c.periodMs)
            << std::chrono::duration_cast<std::chrono::microseconds>(c.beforeDue).count() << " us before";
    }
}

} // namespace
