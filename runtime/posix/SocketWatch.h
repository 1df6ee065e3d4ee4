#pragma once

#include <atomic>
#include <chrono>
#include <optional>

// The clock that every wait and connect deadline of the platform layer is measured on.
using WaitClock = std::chrono::steady_clock;

// One socket's request to set a signal, shared by the socket and the signal so that either may be
// destroyed first. The descriptor and the condition never change; the socket cancels the watch before
// it closes the descriptor, so a descriptor number that the system hands out again is never polled.
class CSocketWatch {
public:
    CSocketWatch(int fd, short pollEvents, std::optional<WaitClock::time_point> deadline);

    // Stops the watch for good (the socket was closed or asked for other events).
    void Cancel() { m_active.store(false); }
    // Whether a wait should still poll the descriptor.
    bool IsActive() const { return m_active.load(); }
    // The descriptor to poll.
    int Fd() const { return m_fd; }
    // The poll(2) events that make the signal count as set.
    short PollEvents() const { return m_pollEvents; }
    // When a pending connect counts as failed, if the watch waits for one.
    const std::optional<WaitClock::time_point>& Deadline() const { return m_deadline; }
    // Whether poll's answer or the clock says the requested condition holds.
    bool HasFired(short revents, WaitClock::time_point now) const;

private:
    const int m_fd;
    const short m_pollEvents;
    const std::optional<WaitClock::time_point> m_deadline;
    std::atomic<bool> m_active{true};
};
