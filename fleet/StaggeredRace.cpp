#include "StaggeredRace.h"

#include <utility>

CStaggeredRace::CStaggeredRace(CEventLoop& loop, CSocketBudget& budget, const std::string& name,
                               RacePorts ports, News news, std::chrono::milliseconds stagger)
    : m_loop(loop), m_budget(budget), m_ports(ports), m_news(std::move(news)), m_stagger(stagger),
      m_shell(loop, name, [this] { OnLinkNews(LinkSide::Shell); }),
      m_telnet(loop, name, [this] { OnLinkNews(LinkSide::Telnet); }) {}

CStaggeredRace::~CStaggeredRace() {
    Stop();
}

void CStaggeredRace::Start(std::uint32_t address, const LinkTiming& timing) {
    Stop();
    m_address = address;
    m_timing = timing;
    m_outcome = RaceOutcome::Racing;
    m_winner = LinkSide::Shell;
    m_lastState[0] = m_lastState[1] = StateStarting;
    m_telnetStarted = false;
    HoldSockets(kSocketsOfARace);
    m_shell.Start(address, m_ports.shell, timing);
    m_staggerTimer = m_loop.StartTimer(CEventLoop::Clock::now() + m_stagger, [this](unsigned) {
        m_staggerTimer = 0;
        StartTelnet();
    });
}

void CStaggeredRace::Stop() {
    CancelStagger();
    m_shell.Stop();
    m_telnet.Stop();
    HoldSockets(0);
    if (m_outcome == RaceOutcome::Racing || m_outcome == RaceOutcome::Won) {
        m_outcome = RaceOutcome::Stopped;
    }
}

void CStaggeredRace::StartTelnet() {
    CancelStagger();
    if (m_outcome == RaceOutcome::Racing && !m_telnetStarted) {
        m_telnetStarted = true;
        m_telnet.Start(m_address, m_ports.telnet, m_timing);
    }
}

void CStaggeredRace::OnLinkNews(LinkSide side) {
    const CLoopLink& link = Link(side);
    if (m_outcome == RaceOutcome::Won && side == m_winner) {
        m_lastState[Index(side)] = link.State();
        if (link.Phase() == DialoguePhase::Ended) {
            m_outcome = RaceOutcome::Lost;
            HoldSockets(0);
        }
        m_news();
        return;
    }
    if (m_outcome != RaceOutcome::Racing) {
        return;
    }
    m_lastState[Index(side)] = link.State();
    if (link.State() == StateReady) {
        m_outcome = RaceOutcome::Won;
        m_winner = side;
        CancelStagger();
        Link(side == LinkSide::Shell ? LinkSide::Telnet : LinkSide::Shell).Stop();
        HoldSockets(1);
        m_news();
        return;
    }
    if (link.Phase() != DialoguePhase::Ended) {
        return;
    }
    // A shell port that refuses or fails need not be waited for.
    StartTelnet();
    if (m_shell.Phase() == DialoguePhase::Ended && m_telnet.Phase() == DialoguePhase::Ended) {
        // The telnet link may have ended as it started, before its own report came.
        m_lastState[Index(LinkSide::Telnet)] = m_telnet.State();
        m_outcome = RaceOutcome::Failed;
        HoldSockets(0);
        m_news();
    }
}

void CStaggeredRace::HoldSockets(std::size_t count) {
    if (count > m_heldSockets) {
        m_budget.Take(count - m_heldSockets);
    } else {
        m_budget.GiveBack(m_heldSockets - count);
    }
    m_heldSockets = count;
}

void CStaggeredRace::CancelStagger() {
    if (m_staggerTimer != 0) {
        m_loop.CancelTimer(m_staggerTimer);
        m_staggerTimer = 0;
    }
}
