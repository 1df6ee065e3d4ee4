#include "EventWait.h"

#include <QEventLoop>
#include <QTimer>

bool RunEventsUntil(const std::function<bool()>& tick, int periodMs, int timeoutMs) {
    if (tick()) {
        return true;
    }
    QEventLoop loop;
    bool done = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        if (!done && tick()) {
            done = true;
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    ticker.start(periodMs);
    deadline.start(timeoutMs);
    loop.exec();
    return done;
}

bool WaitForCondition(const std::function<bool()>& condition, int timeoutMs) {
    return RunEventsUntil(condition, 1, timeoutMs);
}

void RunEventsFor(int durationMs) {
    RunEventsUntil([] { return false; }, durationMs, durationMs);
}
