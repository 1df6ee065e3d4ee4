#pragma once

#include "runtime/WorkerThread.h"

#include <array>
#include <cstdint>

// The two links that race for the device: one on the shell port, one on the telnet port.
enum class LinkSide { Shell, Telnet };

enum class ConnectionPhase { Disconnected, Connecting, Connected };

// What the window must do about one report of its two links (or a link that could not start).
enum class ReportAction {
    Ignore,      // nothing to show or change
    MarkFailed,  // nothing to show; the failure is recorded for this attempt
    Accept,      // stop the other link, make this one active, show the connected state, start the timer
    FailAttempt, // blank the two lines, stop both links, "Connection attempt failed", then reset
    Lose,        // reset to disconnected, then "Connection has been lost"
};

// The connection state of one device: which phase it is in, which link won, which links failed, and which
// reports still describe a link's present run. Reports can arrive twice, or after their link was
// stopped; only fresh ones drive the state table.
class CConnectionControl {
public:
    // Both links were started for a new attempt; each run is the one its Start began.
    void OnAttemptStarted(std::uint16_t shellRun, std::uint16_t telnetRun);
    // The link's thread could not be created; it counts as a failed link of the current attempt.
    ReportAction OnStartFailed(LinkSide side);
    // The window stopped this link; its reports from now on are stale.
    void OnLinkStopped(LinkSide side);
    // Back to disconnected with both links stopped; the active side and the failure flags remain.
    void OnReset();
    // Decides what a report of one link means and records its effect on the state.
    ReportAction OnReport(LinkSide side, StateReport report);

    // The phase the window is in now.
    ConnectionPhase Phase() const { return m_phase; }
    // The link whose status the window shows: the shell link until a link wins, then the last winner.
    LinkSide ActiveSide() const { return m_activeSide; }
    // Whether the link reported a failure (or could not start) in the current or last attempt.
    bool HasFailed(LinkSide side) const { return Track(side).failed; }

private:
    struct LinkTrack {
        bool live = false;
        std::uint16_t run = 0;
        std::uint16_t lastSequence = 0;
        bool failed = false;
    };

    static bool IsFresh(const LinkTrack& link, StateReport report);
    static LinkSide Other(LinkSide side) {
        return side == LinkSide::Shell ? LinkSide::Telnet : LinkSide::Shell;
    }
    LinkTrack& Track(LinkSide side) { return m_links[static_cast<std::size_t>(side)]; }
    const LinkTrack& Track(LinkSide side) const { return m_links[static_cast<std::size_t>(side)]; }
    ReportAction AcceptWinner(LinkSide side);
    ReportAction RecordFailure(LinkSide side);

    std::array<LinkTrack, 2> m_links;
    ConnectionPhase m_phase = ConnectionPhase::Disconnected;
    LinkSide m_activeSide = LinkSide::Shell;
};
