#pragma once

#include "Signal.h"
#include "WaitTypes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// Readiness a watch asks for, and what a wake reports. LoopError (an error or hang-up on the socket) is
// reported whatever was asked, so that a failed connect or a closed peer is never missed.
enum LoopEvent : unsigned {
    LoopReadable = 1,
    LoopWritable = 2,
    LoopError = 4,
};

// The mechanism that waits: the platform's best (epoll on Linux, WSAPoll on Windows) or poll(2), the
// portable one, which the tests also run on Linux.
enum class LoopMechanism { Best, Poll };

// Called from Wait with the events that hold; a handler may watch, change or forget any watch and timer,
// its own included. A watch forgotten or a timer cancelled is not called again, even later in the same
// wake.
using LoopHandler = std::function<void(unsigned events)>;

// Names a timer for Cancel; 0 is never one.
using LoopTimerId = std::uint64_t;

// One thread's event loop: readiness of many sockets, signals and timers in one wait, with no limit on
// their number but the descriptors, and work per wake proportional to what happened. Not thread-safe:
// one thread watches, waits and cancels; other threads reach it only through a signal it watches.
class CEventLoop {
public:
    using Clock = std::chrono::steady_clock;

    // A loop on mechanism; nullptr when the platform gives none (no descriptor left for its own use).
    static std::unique_ptr<CEventLoop> Create(LoopMechanism mechanism = LoopMechanism::Best);
    virtual ~CEventLoop() = default;
    CEventLoop(const CEventLoop&) = delete;
    CEventLoop& operator=(const CEventLoop&) = delete;

    // Watches the socket whose handle is socket (CTcpClient::SocketHandle, CUdpSocket::SocketHandle) for
    // events (LoopReadable | LoopWritable; 0: errors only), replacing an earlier watch of it. False when
    // the system refuses it (descriptors exhausted): nothing is watched then. Forget before the socket
    // closes.
    virtual bool Watch(WaitHandle socket, unsigned events, LoopHandler handler) = 0;
    // Changes what a watched socket is watched for; false when it is not watched or the system refuses.
    virtual bool Change(WaitHandle socket, unsigned events) = 0;
    virtual void Forget(WaitHandle socket) = 0;
    // Calls handler with LoopReadable at every wake while signal is set (it is not cleared here). False
    // when the signal could not be created or the system refuses it. Forget before the signal goes. A
    // socket condition attached to the signal (CTcpClient::EventSelect) is not watched: watch the socket.
    virtual bool WatchSignal(const CSignal& signal, LoopHandler handler) = 0;
    virtual void ForgetSignal(const CSignal& signal) = 0;

    // Calls handler once, with 0, at the first wake at or after at.
    LoopTimerId StartTimer(Clock::time_point at, LoopHandler handler);
    void CancelTimer(LoopTimerId timer);

    // Waits until a watched socket or signal is ready, a timer is due, or until passes (none: no limit
    // but the timers), and calls the handlers of what is. The number of handlers called; -1 when the wait
    // failed, which a caller must not take for a time-out.
    int Wait(std::optional<Clock::time_point> until = std::nullopt);

    // "epoll", "poll" or "WSAPoll", for the figures and the debug output.
    virtual const char* MechanismName() const = 0;
    // How many sockets and signals are watched.
    virtual std::size_t WatchCount() const = 0;

protected:
    CEventLoop() = default;
    // Waits at most timeoutMs (kInfinite: no limit) and calls the handlers of what is ready; the
    // number called, or -1 when the wait failed.
    virtual int WaitForReadiness(std::uint32_t timeoutMs) = 0;

private:
    struct Timers;
    // Calls the handlers of the timers due at now; how many.
    int RunDueTimers(Clock::time_point now);
    std::shared_ptr<Timers> m_timers;
};
