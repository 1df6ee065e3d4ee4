#include "SntpQuery.h"

#include "ntp/KissCode.h"
#include "ntp/SntpPacket.h"
#include "runtime/PcClock.h"

#include <algorithm>

namespace {

constexpr auto kAttemptTimeout = std::chrono::seconds(2);
constexpr int kMaxAttempts = 2;
constexpr std::size_t kLargestDatagram = 512; // larger answers carry extensions we do not read

} // namespace

void CSntpQuery::Start(std::uint32_t address, unsigned short port, Clock::time_point now,
                       Clock::time_point end) {
    m_attempts = 0;
    m_end = end;
    m_running = true;
    m_lastRejection.clear();
    if (!m_client.Open(address, port) || !m_client.WatchReadable(m_signal)) {
        Finish(UnansweredNtp("no UDP socket", FailureKind::LocalFailure));
        return;
    }
    (void)SendRequest(now);
}

bool CSntpQuery::SendRequest(Clock::time_point now) {
    ++m_attempts;
    m_deadline = std::min(now + kAttemptTimeout, m_end);
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
        return FailAttempt(m_lastRejection.empty() ? "no answer" : m_lastRejection.c_str(), now);
    }
    return false;
}

bool CSntpQuery::TakeAnswers() {
    std::uint8_t datagram[kLargestDatagram];
    for (;;) {
        // The answer's own arrival: the thread may get to it long after, busy with other devices.
        std::int64_t receivedUnixMicros = 0;
        const int received = m_client.Receive(datagram, sizeof datagram, receivedUnixMicros);
        if (received == kNoDatagram) {
            return false;
        }
        if (received < 0) {
            // Nothing listens on the port: waiting out the time-out would tell nothing more.
            return FailAttempt("no answer (port unreachable)", CSntpQuery::Clock::now());
        }
        const std::span<const std::uint8_t> bytes(datagram, static_cast<std::size_t>(received));
        const SntpVerdict verdict = CheckSntpAnswer(bytes, m_sent);
        if (verdict != SntpVerdict::Valid) {
            m_lastRejection = std::string("no valid answer: ") + SntpVerdictText(verdict);
            continue;
        }
        const SntpPacket answer = *DecodeSntp(bytes);
        if (const std::optional<std::string> kiss = KissOfDeath(answer)) {
            // Its times are not to be used, and asking again would defy it.
            NtpResult kissed = UnansweredNtp(*kiss);
            kissed.kissOfDeath = true;
            Finish(std::move(kissed));
            return true;
        }
        const NtpTimestamp arrival = NtpFromUnixMicros(receivedUnixMicros);
        if (const SntpVerdict times = CheckSntpTimes(answer, arrival);
            times == SntpVerdict::ArrivedBeforeSent) {
            Finish(UnansweredNtp(SntpVerdictText(times), FailureKind::LocalFailure));
            return true;
        } else if (times != SntpVerdict::Valid) {
            // The answer to this very request: its server lies, and asking again would not mend it.
            NtpResult invalid = UnansweredNtp(std::string("invalid answer: ") + SntpVerdictText(times));
            invalid.invalid = true;
            Finish(std::move(invalid));
            return true;
        }
        const SntpSample sample = ComputeSntpSample(m_sent, answer.receive, answer.transmit, arrival);
        NtpResult result;
        result.answered = true;
        result.stratum = answer.stratum;
        result.referenceId = FormatReferenceId(answer.stratum, answer.referenceId);
        result.leap = answer.leap;
        result.offsetSeconds = sample.offset;
        // A delay below zero within the slack is our clock's rounding.
        result.delaySeconds = std::max(sample.delay, 0.0);
        result.serverUnixMicros = UnixMicrosFromNtp(answer.transmit, receivedUnixMicros);
        result.rootDelaySeconds = NtpShortSeconds(answer.rootDelay);
        result.rootDispersionSeconds = NtpShortSeconds(answer.rootDispersion);
        result.precisionSeconds = PrecisionSeconds(answer.precision);
        if (!answer.reference.IsZero()) {
            result.referenceUnixMicros = UnixMicrosFromNtp(answer.reference, receivedUnixMicros);
        }
        Finish(std::move(result));
        return true;
    }
}

bool CSntpQuery::FailAttempt(const char* failure, Clock::time_point now) {
    if (m_attempts < kMaxAttempts && now < m_end) {
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
