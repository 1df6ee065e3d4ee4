#include "SntpQuery.h"

#include "ntp/SntpPacket.h"
#include "runtime/PcClock.h"

void CSntpQuery::Start(std::uint32_t address, unsigned short port, Clock::time_point now,
                       Clock::time_point end) {
    m_attempts = CSntpAttempts(end);
    m_running = true;
    if (!m_client.Open(address, port) || !m_client.WatchReadable(m_signal)) {
        Finish(UnansweredNtp(kSntpNoSocket, FailureKind::LocalFailure));
        return;
    }
    SendRequest(now);
}

void CSntpQuery::SendRequest(Clock::time_point now) {
    m_lastSent = NtpFromUnixMicros(PcClockMicros());
    m_attempts.Sent(m_lastSent, now);
    const SntpBytes request = MakeSntpRequest(m_lastSent);
    // A request that could not leave is left to the next, like one lost on the way.
    (void)m_client.Send(request.data(), request.size());
}

bool CSntpQuery::Update(Clock::time_point now) {
    if (!m_running) {
        return true;
    }
    m_signal.Reset();
    // What waits is read before the time is judged: the thread may get to it long after it came.
    if (TakeAnswers()) {
        return true;
    }
    if (now >= m_attempts.End()) {
        Finish(m_attempts.TimedOut());
        return true;
    }
    if (const auto next = m_attempts.NextRequestAt(); next && *next <= now) {
        SendRequest(now);
    }
    return false;
}

bool CSntpQuery::TakeAnswers() {
    std::uint8_t datagram[kLargestSntpDatagram];
    for (;;) {
        std::int64_t arrivalUnixMicros = 0;
        const int received = m_client.Receive(datagram, sizeof datagram, arrivalUnixMicros);
        if (received == kNoDatagram) {
            return false;
        }
        std::optional<NtpResult> result;
        if (received < 0) {
            result = m_attempts.TakeRefusal(m_lastSent, Clock::now());
            if (!result) {
                return false; // Update asks again at once
            }
        } else {
            const std::span<const std::uint8_t> bytes(datagram, static_cast<std::size_t>(received));
            result = m_attempts.Take(bytes, ArrivalOnSteadyClock(arrivalUnixMicros), arrivalUnixMicros);
        }
        if (result) {
            Finish(std::move(*result));
            return true;
        }
    }
}

void CSntpQuery::Abandon(const std::string& failure) {
    if (m_running) {
        Finish(UnansweredNtp(failure));
    }
}

void CSntpQuery::Finish(NtpResult result) {
    m_result = std::move(result);
    m_running = false;
    m_client.Close();
}
