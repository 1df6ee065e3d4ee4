#include "ConnectionControl.h"

#include "link/LinkState.h"

void CConnectionControl::OnAttemptStarted(std::uint16_t shellRun, std::uint16_t telnetRun) {
    Track(LinkSide::Shell) = LinkTrack{.live = true, .run = shellRun};
    Track(LinkSide::Telnet) = LinkTrack{.live = true, .run = telnetRun};
    m_phase = ConnectionPhase::Connecting;
}

ReportAction CConnectionControl::OnStartFailed(LinkSide side) {
    if (m_phase != ConnectionPhase::Connecting || !Track(side).live) {
        return ReportAction::Ignore;
    }
    // An idle link never reports, so without this the attempt would wait for a failure that never comes.
    OnLinkStopped(side);
    return RecordFailure(side);
}

void CConnectionControl::OnLinkStopped(LinkSide side) {
    Track(side).live = false;
}

void CConnectionControl::OnReset() {
    OnLinkStopped(LinkSide::Shell);
    OnLinkStopped(LinkSide::Telnet);
    m_phase = ConnectionPhase::Disconnected;
}

ReportAction CConnectionControl::OnReport(LinkSide side, StateReport report) {
    LinkTrack& link = Track(side);
    if (m_phase == ConnectionPhase::Disconnected || !IsFresh(link, report)) {
        return ReportAction::Ignore;
    }
    link.lastSequence = report.sequence;
    if (m_phase == ConnectionPhase::Connected) {
        OnReset();
        return ReportAction::Lose;
    }
    if (report.state == StateStarting) {
        return ReportAction::Ignore;
    }
    if (report.state == StateReady) {
        return AcceptWinner(side);
    }
    return RecordFailure(side);
}

bool CConnectionControl::IsFresh(const LinkTrack& link, StateReport report) {
    // Sequence 0 is the value a run starts with before anything was reported, so it describes no change.
    return link.live && report.run == link.run && report.sequence != 0 && report.sequence > link.lastSequence;
}

ReportAction CConnectionControl::AcceptWinner(LinkSide side) {
    OnLinkStopped(Other(side));
    m_activeSide = side;
    m_phase = ConnectionPhase::Connected;
    return ReportAction::Accept;
}

ReportAction CConnectionControl::RecordFailure(LinkSide side) {
    Track(side).failed = true;
    if (!Track(Other(side)).failed) {
        return ReportAction::MarkFailed;
    }
    // The window stays connecting while it shows the failure; both links are stopped by then, so no
    // late report can fail the attempt a second time.
    OnLinkStopped(LinkSide::Shell);
    OnLinkStopped(LinkSide::Telnet);
    return ReportAction::FailAttempt;
}
