#pragma once

#include <cstdint>
#include <windows.h>

// The end of one connect attempt's time limit. Once armed with a signal's event it sets that event when
// the limit passes, from a timer-queue thread, so the waiting thread wakes as it would for FD_CONNECT.
// The timer keeps its own duplicate of the event, so either the socket or the signal may go first.
class CConnectDeadline {
public:
    CConnectDeadline() = default;
    ~CConnectDeadline() { Clear(); }
    CConnectDeadline(const CConnectDeadline&) = delete;
    CConnectDeadline& operator=(const CConnectDeadline&) = delete;

    // Starts the limit of a connect that is under way, ms milliseconds from now.
    void Start(std::uint32_t ms);
    // Forgets the connect (it finished, failed or its socket closed) and disarms the timer.
    void Clear();
    // Whether a connect is under way whose limit has passed.
    bool HasPassed() const;
    // Whether a connect is under way.
    bool IsRunning() const { return m_running; }
    // Sets event when the limit passes (at once if it has); replaces an earlier arming. False when the
    // timer could not be made; GetLastError then tells why.
    bool Arm(HANDLE event);
    // Stops the timer and waits for a callback that is already running.
    void Disarm();

private:
    ULONGLONG m_end = 0;
    bool m_running = false;
    HANDLE m_timer = nullptr;
    HANDLE m_event = nullptr;
};
