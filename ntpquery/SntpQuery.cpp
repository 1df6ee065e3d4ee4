#include "SntpQuery.h"

#include "SntpAnswer.h"
#include "SntpAttempts.h"

#include "ntp/SntpPacket.h"
#include "runtime/PcClock.h"

#include <algorithm>

void CSntpQuery::Start(std::uint32_t address, unsigned short port, Clock::time_point now,
                       Clock::time_point end) {
    m_attempts = 0;
    m_end = end;
    m_running = true;
    m_lastRejection.clear();
    if (!m_client.Open(address, port) || !m_client.WatchReadable(m_signal)) {
        Finish(UnansweredNtp(kSntpNoSocket, FailureKind::LocalFailure));
        return;
    }
    (void)SendRequest(now);
}

bool CSntpQuery::SendRequest(Clock::time_point now) {
    ++m_attempts;
    m_deadline = std::min(now + kSntpAttemptTimeout, m_end);
    m_sentUnixMicros = PcClockMicros();
    m_sent = NtpFromUnixMicros(m_sentUnixMicros);
    const SntpBytes request = MakeSntpRequest(m_sent);
    // A request that could not leave is left to the time-out, like one lost on the way.
    return m_client.Send(request.data(), request.size());
}

bool CSntpQuery::Update(Clock::time_point now) {
    if (!m_running) {
        return true;
    }
    m_signal.Reset();
    if (TakeAnswers()) {
        return true;
    }
    if (now >= m_deadline) {
        return FailAttempt(m_lastRejection.empty() ? kSntpNoAnswer : m_lastRejection.c_str(), now);
    }
    return false;
}

bool CSntpQuery::TakeAnswers() {
    std::uint8_t datagram[kLargestSntpDatagram];
    for (;;) {
        // The answer's own arrival: the thread may get to it long after, busy with other devices.
        std::int64_t receivedUnixMicros = 0;
        const int received = m_client.Receive(datagram, sizeof datagram, receivedUnixMicros);
        if (received == kNoDatagram) {
            return false;
        }
        if (received < 0) {
            // Nothing listens on the port: waiting out the time-out would tell nothing more.
            return FailAttempt(kSntpPortUnreachable, CSntpQuery::Clock::now());
        }
        const std::span<const std::uint8_t> bytes(datagram, static_cast<std::size_t>(received));
        SntpReading reading = ReadSntpAnswer(bytes, m_sent, receivedUnixMicros);
        if (std::string* rejection = std::get_if<std::string>(&reading)) {
            m_lastRejection = std::move(*rejection);
            continue;
        }
        Finish(std::get<NtpResult>(std::move(reading)));
        return true;
    }
}

bool CSntpQuery::FailAttempt(const char* failure, Clock::time_point now) {
    if (m_attempts < kSntpMaxAttempts && now < m_end) {
        (void)SendRequest(now);
        return false;
    }
    Finish(UnansweredNtp(failure));
    return true;
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
