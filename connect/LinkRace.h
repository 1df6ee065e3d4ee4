#pragma once

#include "ConnectionControl.h"

#include "link/LinkState.h"
#include "link/LinkTiming.h"
#include "link/RacingLink.h"

#include <string>

// The ports a race starts its two links on.
struct RacePorts {
    unsigned short shell = kShellPort;
    unsigned short telnet = kTelnetPort;
};

// The window's race of the two links for its device: both start at once against the same address, the
// first that reaches it wins and the other is stopped, and every later report of the winner means the
// connection is lost. The window acts on what each report means; reports come from the links' threads
// but are handed in on the window's thread. The programs that read many devices race them on an event
// loop instead, the telnet link only after the shell's (fleet/StaggeredRace.h).
class CLinkRace {
public:
    // shell runs on ports.shell, telnet on ports.telnet; both outlive the race.
    CLinkRace(CRacingLink& shell, CRacingLink& telnet, RacePorts ports = {});
    CLinkRace(const CLinkRace&) = delete;
    CLinkRace& operator=(const CLinkRace&) = delete;

    // Starts both links against address (dotted IPv4 text) with timing; false when neither got a thread,
    // which ends the attempt as failed (a link without one never reports, so it counts as failed at once).
    bool Start(const std::string& address, const LinkTiming& timing);
    // What one report of side means; on Accept the rival has been stopped already.
    ReportAction OnReport(LinkSide side, StateReport report);
    // The side whose thread worker is: Shell for the shell link's, Telnet for any other.
    LinkSide SideOf(const CWorkerThread* worker) const;
    // Stops both links and leaves the phase as it is: a failed attempt stays connecting while the owner
    // reports it, and no late report can act on it.
    void StopLinks();
    // Stops both links and goes back to disconnected; the active side stays the last winner.
    void Stop();

    CRacingLink& Link(LinkSide side) { return side == LinkSide::Shell ? m_shell : m_telnet; }
    const CRacingLink& Link(LinkSide side) const { return side == LinkSide::Shell ? m_shell : m_telnet; }
    // The link whose status counts: the shell link until a link wins, afterwards the last winner.
    const CRacingLink& ActiveLink() const { return Link(ActiveSide()); }
    ConnectionPhase Phase() const { return m_control.Phase(); }
    LinkSide ActiveSide() const { return m_control.ActiveSide(); }

private:
    CRacingLink& m_shell;
    CRacingLink& m_telnet;
    const RacePorts m_ports;
    CConnectionControl m_control;
};
