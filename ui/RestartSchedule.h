#pragma once

#include "link/LinkTiming.h"

#include <chrono>
#include <string>

// The times of the follow-up of an address change; tests shorten them.
struct RestartTiming {
    std::chrono::milliseconds wait{std::chrono::minutes(2)}; // what the confirmation asks the user to allow
    std::chrono::milliseconds retryInterval{std::chrono::seconds(2)}; // from one try's start to the next
    // How long a link that took the change may stay up before the window says the device did not
    // restart. A device that stops answering ends its link within the silence limit, well before this.
    std::chrono::milliseconds restartLimit{std::chrono::seconds(20)};
};

enum class RestartPhase {
    Idle,       // no change confirmed on this connection
    ChangeSent, // the device has been sent the change; its link has not ended yet
    Waiting,    // the device restarts; tries run at the new address until one is ready or time is up
};

// Where a link that ended after a confirmed change leads.
enum class RestartCourse {
    Follow,    // count down and try the new address
    ShowMoved, // this PC cannot follow: show where the device went and disconnect
};

// What one tick of the wait asks of the window.
struct RestartTick {
    bool timedOut = false; // the wait is over without an answer; the follow-up has ended
    bool startTry = false; // start the two-link race at the new address now
    int secondsLeft = 0;   // the countdown to show, rounded up
};

// The follow-up of a confirmed address change, without a display or a network: the countdown, the
// schedule of tries at the new address, and how it ends. Times come from the caller.
class CRestartSchedule {
public:
    using Clock = std::chrono::steady_clock;

    void SetTiming(const RestartTiming& timing) { m_timing = timing; }
    const RestartTiming& Timing() const { return m_timing; }

    // The user said Yes and the change went to the device at now. newAddress is the device's new address
    // in normal form, empty for DHCP; followable says whether this PC can and may connect there.
    void OnChangeSent(std::string newAddress, bool followable, Clock::time_point now);
    // A tick while the link that took the change is still up: true, once, when the device has gone on
    // answering past the restart limit; the follow-up has then ended.
    bool OnStillConnected(Clock::time_point now);
    // The link ended after the change: the wait starts now, or the follow-up ends where it is.
    RestartCourse OnLinkEnded(Clock::time_point now);
    // A tick of the wait; call it often (a few times a second) while Waiting.
    RestartTick OnTick(Clock::time_point now);
    // The timing of one try: every limit before the device answers is bounded by the retry interval, so
    // that no try holds up the next one's turn.
    LinkTiming TryTiming() const;
    // The running try failed (refused or unanswered); the next one starts at its turn.
    void OnTryFailed() { m_tryRunning = false; }
    // Connected, cancelled or closed: back to Idle.
    void End();

    RestartPhase Phase() const { return m_phase; }
    // The address the device was sent; empty for DHCP.
    const std::string& NewAddress() const { return m_newAddress; }

private:
    RestartTiming m_timing;
    RestartPhase m_phase = RestartPhase::Idle;
    std::string m_newAddress;
    bool m_followable = false;
    bool m_tryRunning = false;
    Clock::time_point m_restartDeadline;
    Clock::time_point m_deadline;
    Clock::time_point m_nextTry;
};
