#pragma once

#include "health/DeviceRecord.h"
#include "runtime/EventLoop.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// Names a check for Abandon; 0 is never one.
using NtpCheckId = std::uint64_t;

// Receives the result of a check, once, on the loop's thread; it may start and abandon checks, but not
// destroy the exchange.
using NtpCheckDone = std::function<void(const NtpResult& result)>;

// The NTP checks of every device on one event loop, over one shared datagram socket, each asking as
// CSntpAttempts says within the time its caller allows, as a check on a socket of its own. An answer counts
// only when it comes from the address and port asked and echoes the transmit time of one of that check's
// requests; it keeps the kernel's stamp of its arrival, which is what a check's end is judged against:
// every datagram waiting in the socket is read before a check's timer acts.
class CNtpExchange {
public:
    using Clock = std::chrono::steady_clock;

    // loop outlives the exchange. The socket opens with the first check.
    explicit CNtpExchange(CEventLoop& loop);
    // Ends the running checks without calling their done.
    ~CNtpExchange();
    CNtpExchange(const CNtpExchange&) = delete;
    CNtpExchange& operator=(const CNtpExchange&) = delete;

    // Starts a check of address (host byte order) and port that ends by end, and calls done with its
    // result. A check that cannot start (no socket: a fault of this PC) calls done before it returns.
    NtpCheckId Start(std::uint32_t address, unsigned short port, Clock::time_point end, NtpCheckDone done);
    // Ends a running check without an answer, for failure; done is called with it. Nothing for a check
    // that has ended.
    void Abandon(NtpCheckId check, const std::string& failure);
    // Reads every answer that has reached this PC; the checks they end call their done. For a caller
    // about to end checks at a deadline of its own.
    void TakeArrivals();
    // How many checks are running.
    std::size_t RunningCount() const;

private:
    struct Checks;
    std::unique_ptr<Checks> m_checks;
};
