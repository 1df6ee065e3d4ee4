// A device on the fleet's loop: its race and its NTP check report to it, and its owner looks at it only
// when one of them did or its time-out came.
#include "DeviceProbe.h"

#include "connect/LinkRecord.h"
#include "devicetext/DeviceText.h"

#include <cstdio>
#include <limits>

namespace {

const char* LinkFailureText(int state) {
    switch (state) {
    case StateSocketFailed:
        return "no socket";
    case StateConnectFailed:
        return "connection refused";
    case StateLinkClosed:
        return "connection closed by the device";
    case StateSilent:
        return "device silent";
    case StateReceiveFailed:
        return "receive failed";
    default:
        return "no answer";
    }
}

// "getdate answer unreadable: 'WHAT CAME'", escaped and cut; "version answer empty".
std::string UnreadableText(const UnreadableAnswer& answer) {
    if (answer.text.empty()) {
        return answer.command + " answer empty";
    }
    return answer.command + " answer unreadable: '" + OutsideText(answer.text, kLongestEcho) + "'";
}

// Marks a check under way whose Start has not returned yet.
constexpr NtpCheckId kNtpStarting = std::numeric_limits<NtpCheckId>::max();

} // namespace

CDeviceProbe::CDeviceProbe(const ProbeGround& ground, std::string address, std::uint32_t addressValue,
                           const ProbeSettings& settings, CNtpHistory history, std::function<void()> news)
    : m_loop(ground.loop), m_ntp(ground.ntp), m_address(std::move(address)), m_addressValue(addressValue),
      m_settings(settings), m_news(std::move(news)),
      m_race(ground.loop, ground.sockets, m_address,
             {.shell = settings.shellPort, .telnet = settings.telnetPort}, m_news),
      m_ntpHistory(std::move(history)) {
    m_timing.pollPacingMs = static_cast<std::uint32_t>(settings.pollPacing.count());
}

CDeviceProbe::~CDeviceProbe() {
    Stop();
    EndNtpCheck(UnansweredNtp("interrupted"), Clock::now());
}

void CDeviceProbe::Start(Clock::time_point now) {
    m_phase = ProbePhase::Reading;
    m_deadline = now + m_settings.timeout;
    CancelTimeout();
    m_timeout = m_loop.StartTimer(m_deadline, [this](unsigned) {
        m_timeout = 0;
        m_news();
    });
    m_race.Start(m_addressValue, m_timing);
    StartNtpCheck(now);
}

void CDeviceProbe::StartNtpCheck(Clock::time_point now) {
    if (!m_settings.ntp || IsNtpRunning() || !m_ntpHistory.MayAsk(now)) {
        return;
    }
    m_ntpHistory.Asked(now);
    m_ntpCheck = kNtpStarting;
    const NtpCheckId check = m_ntp.Start(m_addressValue, m_settings.ntpPort, now, now + m_settings.timeout,
                                         [this](const NtpResult& result) {
                                             if (m_ntpCheck != 0) {
                                                 m_ntpCheck = 0;
                                                 m_ntpHistory.Ended(result, Clock::now());
                                                 m_news();
                                             }
                                         });
    // A check that could not even start has its result already.
    if (m_ntpCheck == kNtpStarting) {
        m_ntpCheck = check;
    }
}

void CDeviceProbe::EndNtpCheck(const NtpResult& result, Clock::time_point now) {
    if (!IsNtpRunning()) {
        return;
    }
    const NtpCheckId check = m_ntpCheck;
    // Cleared first: the exchange tells the end it is asked for, which must not count as an answer.
    m_ntpCheck = 0;
    m_ntp.Abandon(check, result.failure);
    m_ntpHistory.Ended(result, now);
}

void CDeviceProbe::Stop() {
    m_race.Stop();
    CancelTimeout();
}

void CDeviceProbe::CancelTimeout() {
    if (m_timeout != 0) {
        m_loop.CancelTimer(m_timeout);
        m_timeout = 0;
    }
}

ProbePhase CDeviceProbe::Update(Clock::time_point now) {
    if (m_phase == ProbePhase::Down) {
        return m_phase;
    }
    TakeOutcome();
    TakeUnreadableAnswer();
    if (m_phase == ProbePhase::Reading && m_race.Outcome() == RaceOutcome::Won && HasCompleteReading()) {
        m_phase = ProbePhase::Complete;
        CancelTimeout();
        m_reconnect.Reset();
    }
    if (m_phase == ProbePhase::Reading && now >= m_deadline) {
        char limit[32];
        std::snprintf(limit, sizeof limit, "%g s", std::chrono::duration<double>(m_settings.timeout).count());
        GoDown(TimeoutFailure(limit));
    }
    return m_phase;
}

void CDeviceProbe::Expire(const std::string& limit, Clock::time_point now) {
    EndNtpCheck(UnansweredNtp("no answer within " + limit), now);
    if (m_phase == ProbePhase::Reading) {
        GoDown(TimeoutFailure(limit));
    }
}

void CDeviceProbe::GiveUp(Clock::time_point now) {
    static constexpr const char* kDeadlineFirst = "the run's deadline came first";
    EndNtpCheck(UnansweredNtp(std::string("not answered: ") + kDeadlineFirst, FailureKind::NotRead), now);
    if (m_phase == ProbePhase::Reading) {
        GoDown(std::string("not read: ") + kDeadlineFirst, FailureKind::NotRead);
    }
}

std::string CDeviceProbe::TimeoutFailure(const std::string& limit) const {
    const bool connected = m_race.Outcome() == RaceOutcome::Won;
    return (connected ? "no complete reading within " : "no answer within ") + limit;
}

void CDeviceProbe::TakeOutcome() {
    switch (m_race.Outcome()) {
    case RaceOutcome::Failed:
        // A link that got no socket never asked the device: the attempt says nothing of it.
        GoDown(FailureOfBothLinks(), m_race.LastState(LinkSide::Shell) == StateSocketFailed ||
                                             m_race.LastState(LinkSide::Telnet) == StateSocketFailed
                                         ? FailureKind::LocalFailure
                                         : FailureKind::Device);
        break;
    case RaceOutcome::Lost:
        GoDown(m_phase == ProbePhase::Complete ? "connection lost"
                                               : std::string("connection lost before a complete reading: ") +
                                                     LinkFailureText(m_race.LastState(m_race.WinnerSide())));
        break;
    case RaceOutcome::Racing:
    case RaceOutcome::Won:
    case RaceOutcome::Stopped:
        break;
    }
}

std::string CDeviceProbe::FailureOfBothLinks() const {
    const std::string shell = LinkFailureText(m_race.LastState(LinkSide::Shell));
    const std::string telnet = LinkFailureText(m_race.LastState(LinkSide::Telnet));
    return shell == telnet ? shell : "shell: " + shell + ", telnet: " + telnet;
}

void CDeviceProbe::TakeUnreadableAnswer() {
    if (m_race.Outcome() != RaceOutcome::Won) {
        return;
    }
    if (const std::optional<UnreadableAnswer>& answer = m_race.Winner().Snapshot().unreadableAnswer) {
        GoDown(UnreadableText(*answer), FailureKind::Unreadable);
    }
}

void CDeviceProbe::GoDown(std::string failure, FailureKind kind) {
    Stop();
    m_phase = ProbePhase::Down;
    m_failure = std::move(failure);
    m_failureKind = kind;
}

bool CDeviceProbe::HasCompleteReading() const {
    const DeviceSnapshot& snapshot = m_race.Winner().Snapshot();
    if (snapshot.version.empty() || !snapshot.lastReading) {
        return false;
    }
    // With the MAC address unassigned the device reports no GPS state, and the link never asks for
    // the peer table.
    return snapshot.macUnassigned == 1 ||
           (snapshot.gpsState.has_value() && snapshot.timeSyncState.has_value());
}

DeviceRecord CDeviceProbe::Record(Clock::time_point now) const {
    DeviceRecord record;
    record.address = m_address;
    if (m_phase == ProbePhase::Complete) {
        record.reachable = true;
        record.link = m_race.WinnerSide() == LinkSide::Shell ? "shell" : "telnet";
        FillFromSnapshot(m_race.Winner().Snapshot(), record);
    } else if (m_failure.empty()) {
        record.failure = "pending";
        record.failureKind = FailureKind::Pending;
    } else {
        record.failure = m_failure;
        record.failureKind = m_failureKind;
    }
    if (!m_settings.ntp) {
        return record;
    }
    record.ntp = m_ntpHistory.LastResult(now);
    if (!record.ntp) {
        record.ntp = UnansweredNtp("no answer yet", FailureKind::Pending);
    } else if (record.ntp->answered && record.offsetSeconds) {
        record.ntpShellSeconds = record.ntp->offsetSeconds - *record.offsetSeconds;
    }
    return record;
}
