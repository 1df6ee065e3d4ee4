#include "SntpAnswer.h"

#include "ntp/KissCode.h"
#include "ntp/SntpPacket.h"

#include <algorithm>

namespace {

NtpResult AnsweredNtp(const SntpPacket& answer, NtpTimestamp sent, std::int64_t arrivalUnixMicros) {
    const SntpSample sample =
        ComputeSntpSample(sent, answer.receive, answer.transmit, NtpFromUnixMicros(arrivalUnixMicros));
    NtpResult result;
    result.answered = true;
    result.stratum = answer.stratum;
    result.referenceId = FormatReferenceId(answer.stratum, answer.referenceId);
    result.leap = answer.leap;
    result.offsetSeconds = sample.offset;
    // A delay below zero within the slack is our clock's rounding.
    result.delaySeconds = std::max(sample.delay, 0.0);
    result.serverUnixMicros = UnixMicrosFromNtp(answer.transmit, arrivalUnixMicros);
    result.rootDelaySeconds = NtpShortSeconds(answer.rootDelay);
    result.rootDispersionSeconds = NtpShortSeconds(answer.rootDispersion);
    result.precisionSeconds = PrecisionSeconds(answer.precision);
    if (!answer.reference.IsZero()) {
        result.referenceUnixMicros = UnixMicrosFromNtp(answer.reference, arrivalUnixMicros);
    }
    return result;
}

} // namespace

SntpReading ReadSntpAnswer(std::span<const std::uint8_t> bytes, NtpTimestamp sent,
                           std::int64_t arrivalUnixMicros) {
    const SntpVerdict verdict = CheckSntpAnswer(bytes, sent);
    if (verdict != SntpVerdict::Valid) {
        return std::string("no valid answer: ") + SntpVerdictText(verdict);
    }
    const SntpPacket answer = *DecodeSntp(bytes);
    if (const std::optional<std::string> kiss = KissOfDeath(answer)) {
        // Its times are not to be used, and asking again would defy it.
        NtpResult kissed = UnansweredNtp(*kiss);
        kissed.kissOfDeath = true;
        return kissed;
    }
    const SntpVerdict times = CheckSntpTimes(answer, NtpFromUnixMicros(arrivalUnixMicros));
    if (times == SntpVerdict::ArrivedBeforeSent) {
        return UnansweredNtp(SntpVerdictText(times), FailureKind::LocalFailure);
    }
    if (times != SntpVerdict::Valid) {
        // The answer to this very request: its server lies, and asking again would not mend it.
        NtpResult invalid = UnansweredNtp(std::string("invalid answer: ") + SntpVerdictText(times));
        invalid.invalid = true;
        return invalid;
    }
    return AnsweredNtp(answer, sent, arrivalUnixMicros);
}
