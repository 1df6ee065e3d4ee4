#pragma once

#include "SntpAttempts.h"

#include "health/DeviceRecord.h"
#include "ntp/NtpTime.h"
#include "runtime/Signal.h"
#include "runtime/UdpClient.h"

#include <chrono>
#include <cstdint>

// One SNTP check of a device, driven without blocking by whoever waits on Signal(): requests as
// CSntpAttempts says, within the time the caller allows, and answers checked against the request they
// claim to answer.
class CSntpQuery {
public:
    using Clock = std::chrono::steady_clock;

    // Sends the first request to address (host byte order) and port; the query ends by end.
    void Start(std::uint32_t address, unsigned short port, Clock::time_point now, Clock::time_point end);
    // Ends a running query without an answer, for failure.
    void Abandon(const std::string& failure);
    // Set when an answer (or an error) waits.
    const CSignal& Signal() const { return m_signal; }
    // Takes what arrived, then sends the next request or ends the query when their time has come; true
    // once the query has ended (Result is final).
    bool Update(Clock::time_point now);
    // When Update has work without news: the next request or the end.
    Clock::time_point Deadline() const { return m_attempts.NextWake(); }
    bool IsRunning() const { return m_running; }
    const NtpResult& Result() const { return m_result; }

private:
    // Sends a request with a fresh transmit time.
    void SendRequest(Clock::time_point now);
    // Takes every datagram that waits; true when one ended the query.
    bool TakeAnswers();
    void Finish(NtpResult result);

    CUdpClient m_client;
    CSignal m_signal;
    CSntpAttempts m_attempts;
    NtpTimestamp m_lastSent; // which request a refusal refuses: the socket does not say
    bool m_running = false;
    NtpResult m_result;
};
