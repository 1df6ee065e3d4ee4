#pragma once

#include "health/DeviceRecord.h"
#include "ntp/NtpTime.h"
#include "runtime/Signal.h"
#include "runtime/UdpClient.h"

#include <chrono>
#include <cstdint>

// One SNTP exchange with a device, driven without blocking by whoever waits on Signal(): a request,
// a 2 s time-out, one retry, all within the time the caller allows, and answers checked against the
// request they claim to answer.
class CSntpQuery {
public:
    using Clock = std::chrono::steady_clock;

    // Sends the first request to address (host byte order) and port; the query ends by end.
    void Start(std::uint32_t address, unsigned short port, Clock::time_point now, Clock::time_point end);
    // Ends a running query without an answer, for failure.
    void Abandon(const std::string& failure);
    // Set when an answer (or an error) waits.
    const CSignal& Signal() const { return m_signal; }
    // Takes what arrived and handles the time-out; true once the query has ended (Result is final).
    bool Update(Clock::time_point now);
    // When the current attempt times out.
    Clock::time_point Deadline() const { return m_deadline; }
    bool IsRunning() const { return m_running; }
    const NtpResult& Result() const { return m_result; }

private:
    // Sends a request with a fresh transmit time; false when it could not be sent.
    bool SendRequest(Clock::time_point now);
    // Takes one valid answer if one waits; true when the query ended.
    bool TakeAnswers();
    // Retries once, then ends the query with failure; true when it ended.
    bool FailAttempt(const char* failure, Clock::time_point now);
    void Finish(NtpResult result);

    CUdpClient m_client;
    CSignal m_signal;
    NtpTimestamp m_sent;
    std::int64_t m_sentUnixMicros = 0;
    int m_attempts = 0;
    Clock::time_point m_deadline;
    Clock::time_point m_end;
    bool m_running = false;
    std::string m_lastRejection;
    NtpResult m_result;
};
