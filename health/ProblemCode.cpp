#include "ProblemCode.h"

const char* ProblemCodeName(ProblemCode code) {
    switch (code) {
    case ProblemCode::Unreachable:
        return "unreachable";
    case ProblemCode::Interrupted:
        return "interrupted";
    case ProblemCode::Pending:
        return "pending";
    case ProblemCode::LocalFailure:
        return "local-failure";
    case ProblemCode::NoSystemPeer:
        return "no-system-peer";
    case ProblemCode::PeerReach:
        return "peer-reach";
    case ProblemCode::PeerJitter:
        return "peer-jitter";
    case ProblemCode::GpsUnlocked:
        return "gps-unlocked";
    case ProblemCode::MacUnassigned:
        return "mac-unassigned";
    case ProblemCode::Offset:
        return "offset";
    case ProblemCode::OffsetUncertain:
        return "offset-uncertain";
    case ProblemCode::NtpUnanswered:
        return "ntp-unanswered";
    case ProblemCode::NtpKiss:
        return "ntp-kiss";
    case ProblemCode::NtpPending:
        return "ntp-pending";
    case ProblemCode::NtpLocalFailure:
        return "ntp-local-failure";
    case ProblemCode::NtpStratum:
        return "ntp-stratum";
    case ProblemCode::NtpLeap:
        return "ntp-leap";
    case ProblemCode::NtpOffset:
        return "ntp-offset";
    case ProblemCode::NtpOffsetUncertain:
        return "ntp-offset-uncertain";
    case ProblemCode::NtpDisagrees:
        return "ntp-disagrees";
    case ProblemCode::WeekRollover:
        return "week-rollover";
    case ProblemCode::NtpLeapMonth:
        return "ntp-leap-month";
    case ProblemCode::ClockStep:
        return "clock-step";
    case ProblemCode::NtpRootDistance:
        return "ntp-root-distance";
    case ProblemCode::Stale:
        return "stale";
    case ProblemCode::AnswerUnreadable:
        return "answer-unreadable";
    case ProblemCode::NotRead:
        return "not-read";
    case ProblemCode::NtpInvalid:
        break;
    }
    return "ntp-invalid";
}

bool TellsOfTheDevice(ProblemCode code) {
    switch (code) {
    case ProblemCode::Interrupted:
    case ProblemCode::Pending:
    case ProblemCode::LocalFailure:
    case ProblemCode::NotRead:
    case ProblemCode::NtpPending:
    case ProblemCode::NtpLocalFailure:
        return false;
    default:
        return true;
    }
}
