#include "EventLoopWait.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// processEvents returns at once when nothing is queued; the nap keeps the loop from spinning a core that
// the link threads and the sim need.
constexpr auto kNap = std::chrono::milliseconds(5);
constexpr int kRoundMs = 10;

} // namespace

bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, kRoundMs);
        std::this_thread::sleep_for(kNap);
    }
    return true;
}

void ProcessEventsFor(int durationMs) {
    (void)ProcessEventsUntil([] { return false; }, durationMs); // the time running out is the point
}
