#include "DeviceProbe.h"

#include "connect/LinkRecord.h"
#include "devicetext/DeviceText.h"

#include <cstdio>

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

} // namespace

CDeviceProbe::CDeviceProbe(std::string address, std::uint32_t addressValue, const ProbeSettings& settings,
                           CNtpHistory history)
    : m_address(std::move(address)), m_addressValue(addressValue), m_settings(settings),
      m_linkA(m_address + " shell"), m_linkB(m_address + " telnet"),
      m_race(m_linkA, m_linkB, {.shell = settings.shellPort, .telnet = settings.telnetPort}),
      m_ntpHistory(std::move(history)) {
    m_timing.pollPacingMs = static_cast<std::uint32_t>(settings.pollPacing.count());
}

CDeviceProbe::~CDeviceProbe() {
    Stop();
}

void CDeviceProbe::Start(Clock::time_point now) {
    m_phase = ProbePhase::Reading;
    m_deadline = now + m_settings.timeout;
    m_lastState[0] = m_lastState[1] = StateStarting;
    if (!m_race.Start(m_address, m_timing)) {
        GoDown("no thread for the links", FailureKind::LocalFailure);
    }
    StartNtpCheck(now);
}

void CDeviceProbe::StartNtpCheck(Clock::time_point now) {
    if (!m_settings.ntp || m_ntp.IsRunning() || !m_ntpHistory.MayAsk(now)) {
        return;
    }
    m_ntpHistory.Asked(now);
    m_ntp.Start(m_addressValue, m_settings.ntpPort, now, now + m_settings.timeout);
    // A check that could not even start has its result already.
    if (!m_ntp.IsRunning()) {
        m_ntpHistory.Ended(m_ntp.Result(), now);
    }
}

void CDeviceProbe::Stop() {
    m_race.Stop();
}

void CDeviceProbe::AddSignals(CWaitSet& set) {
    set.Add(m_linkA.StateSignal());
    set.Add(m_linkB.StateSignal());
    if (m_ntp.IsRunning()) {
        set.Add(m_ntp.Signal());
    }
}

ProbePhase CDeviceProbe::Update(Clock::time_point now) {
    if (m_ntp.IsRunning() && m_ntp.Update(now)) {
        m_ntpHistory.Ended(m_ntp.Result(), now);
    }
    if (m_phase == ProbePhase::Down) {
        return m_phase;
    }
    TakeReport(LinkSide::A);
    TakeReport(LinkSide::B);
    TakeUnreadableAnswer();
    if (m_phase == ProbePhase::Reading && m_race.Phase() == ConnectionPhase::Connected &&
        HasCompleteReading()) {
        m_phase = ProbePhase::Complete;
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
    if (m_ntp.IsRunning()) {
        m_ntp.Abandon("no answer within " + limit);
        m_ntpHistory.Ended(m_ntp.Result(), now);
    }
    if (m_phase == ProbePhase::Reading) {
        GoDown(TimeoutFailure(limit));
    }
}

void CDeviceProbe::GiveUp(Clock::time_point now) {
    static constexpr const char* kDeadlineFirst = "the run's deadline came first";
    if (m_ntp.IsRunning()) {
        const std::string failure = std::string("not answered: ") + kDeadlineFirst;
        m_ntp.Abandon(failure);
        m_ntpHistory.Ended(UnansweredNtp(failure, FailureKind::NotRead), now);
    }
    if (m_phase == ProbePhase::Reading) {
        GoDown(std::string("not read: ") + kDeadlineFirst, FailureKind::NotRead);
    }
}

std::string CDeviceProbe::TimeoutFailure(const std::string& limit) const {
    const bool connected = m_race.Phase() == ConnectionPhase::Connected;
    return (connected ? "no complete reading within " : "no answer within ") + limit;
}

void CDeviceProbe::TakeReport(LinkSide side) {
    CWorkerThread& link = m_race.Link(side).Worker();
    // Cleared before the report is read, so that a change after the read wakes the next wait.
    link.StateSignal().Reset();
    const StateReport report = link.GetReport();
    switch (m_race.OnReport(side, report)) {
    case ReportAction::Accept:
    case ReportAction::MarkFailed:
        m_lastState[static_cast<int>(side)] = report.state;
        break;
    case ReportAction::FailAttempt:
        m_lastState[static_cast<int>(side)] = report.state;
        // A link that got no socket never asked the device: the attempt says nothing of it.
        GoDown(FailureOfBothLinks(),
               m_lastState[0] == StateSocketFailed || m_lastState[1] == StateSocketFailed
                   ? FailureKind::LocalFailure
                   : FailureKind::Device);
        break;
    case ReportAction::Lose:
        GoDown(m_phase == ProbePhase::Complete ? "connection lost"
                                               : std::string("connection lost before a complete reading: ") +
                                                     LinkFailureText(report.state));
        break;
    case ReportAction::Ignore:
        break;
    }
}

std::string CDeviceProbe::FailureOfBothLinks() const {
    const std::string shell = LinkFailureText(m_lastState[0]);
    const std::string telnet = LinkFailureText(m_lastState[1]);
    return shell == telnet ? shell : "shell: " + shell + ", telnet: " + telnet;
}

void CDeviceProbe::TakeUnreadableAnswer() {
    if (m_race.Phase() != ConnectionPhase::Connected) {
        return;
    }
    if (const std::optional<UnreadableAnswer> answer = ActiveLink().FirstUnreadableAnswer()) {
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
    const CDeviceLink& link = ActiveLink();
    if (link.FirmwareVersion().empty() || !link.LastClockReading()) {
        return false;
    }
    // With the MAC address unassigned the device reports no GPS state, and the link never asks for
    // the peer table.
    return link.IsMacUnassigned() == 1 || (link.GpsState() >= 0 && link.TimeSyncState() >= 0);
}

const CDeviceLink& CDeviceProbe::ActiveLink() const {
    return m_race.ActiveSide() == LinkSide::A ? m_linkA : m_linkB;
}

std::optional<CDeviceProbe::Clock::time_point> CDeviceProbe::NextDeadline() const {
    std::optional<Clock::time_point> deadline;
    if (m_phase == ProbePhase::Reading) {
        deadline = m_deadline;
    }
    if (m_ntp.IsRunning() && (!deadline || m_ntp.Deadline() < *deadline)) {
        deadline = m_ntp.Deadline();
    }
    return deadline;
}

DeviceRecord CDeviceProbe::Record(Clock::time_point now) const {
    DeviceRecord record;
    record.address = m_address;
    if (m_phase == ProbePhase::Complete) {
        record.reachable = true;
        FillShellFields(record);
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

void CDeviceProbe::FillShellFields(DeviceRecord& record) const {
    record.link = m_race.ActiveSide() == LinkSide::A ? "shell" : "telnet";
    FillFromLink(ActiveLink(), record);
}
