#include "LinkRace.h"

#include <utility>

CLinkRace::CLinkRace(CRacingLink& shell, CRacingLink& telnet, RacePorts ports)
    : m_shell(shell), m_telnet(telnet), m_ports(ports) {}

bool CLinkRace::Start(const std::string& address, const LinkTiming& timing) {
    const bool shellStarted = m_shell.StartRun(address, m_ports.shell, timing);
    const bool telnetStarted = m_telnet.StartRun(address, m_ports.telnet, timing);
    m_control.OnAttemptStarted(m_shell.Worker().GetReport().run, m_telnet.Worker().GetReport().run);
    for (const auto& [side, started] :
         {std::pair{LinkSide::Shell, shellStarted}, std::pair{LinkSide::Telnet, telnetStarted}}) {
        if (!started && m_control.OnStartFailed(side) == ReportAction::FailAttempt) {
            return false;
        }
    }
    return true;
}

ReportAction CLinkRace::OnReport(LinkSide side, StateReport report) {
    const ReportAction action = m_control.OnReport(side, report);
    if (action == ReportAction::Accept) {
        Link(side == LinkSide::Shell ? LinkSide::Telnet : LinkSide::Shell).Worker().Stop();
    }
    return action;
}

LinkSide CLinkRace::SideOf(const CWorkerThread* worker) const {
    return worker == &m_shell.Worker() ? LinkSide::Shell : LinkSide::Telnet;
}

void CLinkRace::StopLinks() {
    m_shell.Worker().Stop();
    m_telnet.Worker().Stop();
}

void CLinkRace::Stop() {
    StopLinks();
    m_control.OnReset();
}
