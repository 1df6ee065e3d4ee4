#include "SntpAttempts.h"

#include "SntpAnswer.h"

#include "ntp/SntpPacket.h"
#include "runtime/RealTimeClock.h"

#include <algorithm>
#include <variant>

std::optional<CSntpAttempts::Clock::time_point> CSntpAttempts::NextRequestAt() const {
    if (m_sent.empty()) {
        return Clock::time_point::min();
    }
    if (m_askAtOnce) {
        return m_lastSentAt;
    }
    const Clock::time_point next = m_lastSentAt + kSntpRequestSpacing;
    if (m_sent.size() >= static_cast<std::size_t>(kSntpMostRequests) || next >= m_end) {
        return std::nullopt;
    }
    return next;
}

CSntpAttempts::Clock::time_point CSntpAttempts::NextWake() const {
    return std::min(NextRequestAt().value_or(m_end), m_end);
}

void CSntpAttempts::Sent(NtpTimestamp transmit, Clock::time_point now) {
    m_sent.push_back(transmit);
    m_lastSentAt = now;
    m_askAtOnce = false;
}

bool CSntpAttempts::HasSent(NtpTimestamp transmit) const {
    return std::find(m_sent.begin(), m_sent.end(), transmit) != m_sent.end();
}

std::optional<NtpResult> CSntpAttempts::Take(std::span<const std::uint8_t> bytes, Clock::time_point arrival,
                                             std::int64_t arrivalUnixMicros) {
    if (m_sent.empty() || arrival > m_end) {
        return std::nullopt;
    }
    // An answer is read against the request it echoes; one that echoes none of ours is read against the
    // last, which names what is wrong with it.
    const std::optional<SntpPacket> packet = DecodeSntp(bytes);
    const NtpTimestamp asked = packet && HasSent(packet->originate) ? packet->originate : m_sent.back();
    SntpReading reading = ReadSntpAnswer(bytes, asked, arrivalUnixMicros);
    if (std::string* rejection = std::get_if<std::string>(&reading)) {
        m_lastRejection = std::move(*rejection);
        return std::nullopt;
    }
    return std::get<NtpResult>(std::move(reading));
}

std::optional<NtpResult> CSntpAttempts::TakeRefusal(NtpTimestamp transmit, Clock::time_point now) {
    if (!HasSent(transmit)) {
        return std::nullopt;
    }
    const bool mayAskAgain = m_sent.size() < static_cast<std::size_t>(kSntpMostRequests) && now < m_end;
    if (m_refused || !mayAskAgain) {
        // Nothing listens on the port: waiting out the time-out would tell nothing more.
        return UnansweredNtp(kSntpPortUnreachable);
    }
    m_refused = true;
    m_askAtOnce = true;
    return std::nullopt;
}

NtpResult CSntpAttempts::TimedOut() const {
    return UnansweredNtp(m_lastRejection.empty() ? kSntpNoAnswer : m_lastRejection);
}

CSntpAttempts::Clock::time_point ArrivalOnSteadyClock(std::int64_t arrivalUnixMicros) {
    const CSntpAttempts::Clock::time_point now = CSntpAttempts::Clock::now();
    const std::int64_t age = std::max<std::int64_t>(RealTimeMicros() - arrivalUnixMicros, 0);
    return now - std::chrono::microseconds(age);
}
