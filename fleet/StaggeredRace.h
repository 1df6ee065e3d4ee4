#pragma once

#include "LinkHint.h"
#include "LoopLink.h"
#include "RacePlan.h"
#include "SocketBudget.h"

#include "connect/LinkRace.h"
#include "runtime/EventLoop.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// The sockets a race may hold at once: both links.
inline constexpr std::size_t kSocketsOfARace = 2;

// Where a race stands.
enum class RaceOutcome {
    Racing,  // no link has shown a prompt yet
    Won,     // a link has shown a prompt; the other is closed
    Failed,  // every started link ended before any showed a prompt
    Lost,    // the winner's run ended
    Stopped, // by its owner, or never started
};

// The race of a device's two links on an event loop, staggered as clients with several ways to a server
// do: the link that won the device's last race starts first (the shell link when none did), and the other
// only when it fails or has not shown a prompt within the wait its connect time sets (CRacePlan). The
// first link to show a prompt wins and the other is closed, so a device with a working shell costs one
// socket and, once its shell has won, never a telnet login. The race holds its sockets in a budget: both
// while it races, the winner's once won, none once over.
class CStaggeredRace {
public:
    // Told on the loop's thread, as the last thing a wake does with the race, that it has news: a
    // changed outcome, or a changed snapshot of the winner. It may stop or restart the race.
    using News = std::function<void()>;

    // name: the device's address as the debug output shows it; hint: what its last race taught. loop and
    // budget outlive the race.
    CStaggeredRace(CEventLoop& loop, CSocketBudget& budget, const std::string& name, RacePorts ports,
                   News news, LinkHint hint = {});
    ~CStaggeredRace();
    CStaggeredRace(const CStaggeredRace&) = delete;
    CStaggeredRace& operator=(const CStaggeredRace&) = delete;

    // Stops any race and starts one against address (host byte order) with timing. The caller has checked
    // that the budget has room for kSocketsOfARace.
    void Start(std::uint32_t address, const LinkTiming& timing);
    // Closes both links without news.
    void Stop();

    RaceOutcome Outcome() const { return m_outcome; }
    // The side that won (Won, Lost) or that counts until one does: the one started first.
    LinkSide WinnerSide() const { return m_winner; }
    const CLoopLink& Winner() const { return Link(m_winner); }
    // The last state of the side's link in this race; StateStarting for a link not started.
    LinkState LastState(LinkSide side) const { return m_lastState[Index(side)]; }
    // Whether the telnet link was started in this race.
    bool TelnetStarted() const { return m_started[Index(LinkSide::Telnet)]; }
    // What the races so far taught, for the device's next one.
    const LinkHint& Hint() const { return m_plan.Hint(); }

private:
    static std::size_t Index(LinkSide side) { return side == LinkSide::Shell ? 0 : 1; }
    CLoopLink& Link(LinkSide side) { return side == LinkSide::Shell ? m_shell : m_telnet; }
    const CLoopLink& Link(LinkSide side) const { return side == LinkSide::Shell ? m_shell : m_telnet; }
    static LinkSide Rival(LinkSide side) {
        return side == LinkSide::Shell ? LinkSide::Telnet : LinkSide::Shell;
    }
    void OnLinkNews(LinkSide side);
    // Starts the second link unless it runs, or the race is over.
    void StartSecond();
    // The first link has had its wait: it is judged by what has reached this host, read or not.
    void OnSecondDue();
    // Sets the timer of the second link at the plan's time.
    void ArmSecond();
    // Keeps the sockets the race may still open, and gives back the rest.
    void HoldSockets(std::size_t count);
    void CancelSecondTimer();
    void StartLink(LinkSide side);

    CEventLoop& m_loop;
    CSocketBudget& m_budget;
    const RacePorts m_ports;
    const News m_news;
    CRacePlan m_plan;
    CLoopLink m_shell;
    CLoopLink m_telnet;
    std::uint32_t m_address = 0;
    LinkTiming m_timing;
    RaceOutcome m_outcome = RaceOutcome::Stopped;
    LinkSide m_first = LinkSide::Shell;
    LinkSide m_winner = LinkSide::Shell;
    LinkState m_lastState[2] = {StateStarting, StateStarting};
    bool m_started[2] = {false, false};
    bool m_firstConnected = false;
    LoopTimerId m_secondTimer = 0;
    std::size_t m_heldSockets = 0;
};
