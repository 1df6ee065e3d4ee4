#include "StaggeredRace.h"

#include <utility>

CStaggeredRace::CStaggeredRace(CEventLoop& loop, CSocketBudget& budget, const std::string& name,
                               RacePorts ports, News news, LinkHint hint)
    : m_loop(loop), m_budget(budget), m_ports(ports), m_news(std::move(news)), m_plan(hint),
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
    m_lastState[0] = m_lastState[1] = StateStarting;
    m_started[0] = m_started[1] = false;
    m_firstConnected = false;
    m_first = m_plan.Begin(CEventLoop::Clock::now());
    m_winner = m_first;
    HoldSockets(kSocketsOfARace);
    StartLink(m_first);
    ArmSecond();
}

void CStaggeredRace::Stop() {
    CancelSecondTimer();
    m_shell.Stop();
    m_telnet.Stop();
    HoldSockets(0);
    if (m_outcome == RaceOutcome::Racing || m_outcome == RaceOutcome::Won) {
        m_outcome = RaceOutcome::Stopped;
    }
}

void CStaggeredRace::StartLink(LinkSide side) {
    m_started[Index(side)] = true;
    Link(side).Start(m_address, side == LinkSide::Shell ? m_ports.shell : m_ports.telnet, m_timing);
}

void CStaggeredRace::StartSecond() {
    CancelSecondTimer();
    const LinkSide second = Rival(m_first);
    if (m_outcome == RaceOutcome::Racing && !m_started[Index(second)]) {
        StartLink(second);
    }
}

void CStaggeredRace::OnSecondDue() {
    m_secondTimer = 0;
    // A prompt that came while this PC was too busy to read it must not count as silence: its news, if
    // any, comes before the second link could start.
    Link(m_first).CatchUp();
    if (m_outcome == RaceOutcome::Racing && !m_started[Index(Rival(m_first))] &&
        CEventLoop::Clock::now() < m_plan.SecondDue()) {
        // A connect that stood only now has its own wait for the prompt.
        ArmSecond();
        return;
    }
    StartSecond();
}

void CStaggeredRace::ArmSecond() {
    CancelSecondTimer();
    m_secondTimer = m_loop.StartTimer(m_plan.SecondDue(), [this](unsigned) { OnSecondDue(); });
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
        CancelSecondTimer();
        CLoopLink& rival = Link(Rival(side));
        m_plan.Won(side, m_started[Index(Rival(side))] && rival.Phase() != DialoguePhase::Ended);
        rival.Stop();
        HoldSockets(1);
        m_news();
        return;
    }
    if (side == m_first && !m_firstConnected && link.Phase() == DialoguePhase::Talking) {
        m_firstConnected = true;
        m_plan.FirstConnected(CEventLoop::Clock::now());
        if (m_secondTimer != 0) {
            ArmSecond();
        }
    }
    if (link.Phase() != DialoguePhase::Ended) {
        return;
    }
    // A link that refuses or fails need not be waited for.
    StartSecond();
    if (m_shell.Phase() == DialoguePhase::Ended && m_telnet.Phase() == DialoguePhase::Ended) {
        // The second link may have ended as it started, before its own report came.
        m_lastState[Index(Rival(m_first))] = Link(Rival(m_first)).State();
        m_outcome = RaceOutcome::Failed;
        m_plan.Failed();
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

void CStaggeredRace::CancelSecondTimer() {
    if (m_secondTimer != 0) {
        m_loop.CancelTimer(m_secondTimer);
        m_secondTimer = 0;
    }
}
