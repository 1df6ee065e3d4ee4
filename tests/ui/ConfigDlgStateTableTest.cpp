// The window's state machine, driven by hand: fake links, a recording window and an injected clock.
// Each row brings the window to a phase, delivers one event and checks what the window shows, which
// boxes it opened and what it asked of the links.
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/ConfigDlgLogic.h"
#include "ui/RestartTexts.h"

#include "tests/ui/support/FakeRacingLink.h"
#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = CRestartSchedule::Clock;

constexpr const char* kAddress = "127.0.93.1";
constexpr const char* kNewAddress = "127.0.93.2";

enum class Phase {
    Idle,
    Connecting,
    Connected,
    ChangeAsked, // the question is open: the event comes through its nested event loop, then Yes
    ChangeSent,
    Following,
    TimedOut, // the no-answer box is open: the event comes through its nested event loop
};

enum class Event {
    ShellReady,
    TelnetReady,
    ShellFailed,
    FailedBoth,
    ShellClosed,
    StaleShellReady, // a report of the shell link's previous run, delivered late
    Connect,         // the button, whatever it reads: Connect, Cancel or Disconnect
    ConnectWithoutThreads,
    Close,
    RefreshTick,
    RefreshTickAfterRestartLimit,
    RestartTickAtNextTurn,
    RestartTickAfterWait,
    Yes,
    No,
};

// What the window shows and did right after the event (inside the box for the phases that have one
// open), and whether the address change reached a link by the end.
struct Outcome {
    ConnectionPhase connection = ConnectionPhase::Disconnected;
    RestartPhase restart = RestartPhase::Idle;
    int connectButton = IDS_CONNECT;
    std::vector<int> boxes; // opened by the event
    bool refreshTimer = false;
    bool restartTimer = false;
    bool panelEnabled = false;
    int racesStarted = 0;          // by the event
    std::uint32_t raceLimitMs = 0; // the longest limit of the last race the event started
    bool changeSent = false;
    bool ended = false;

    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    out << "{connection " << static_cast<int>(o.connection) << ", restart " << static_cast<int>(o.restart)
        << ", button " << LoadStringResource(o.connectButton) << ", boxes [";
    for (int box : o.boxes) {
        out << box << ' ';
    }
    return out << "], refresh " << o.refreshTimer << ", restart timer " << o.restartTimer << ", panel "
               << o.panelEnabled << ", races " << o.racesStarted << ", limit " << o.raceLimitMs << ", sent "
               << o.changeSent << ", ended " << o.ended << '}';
}

struct Row {
    Phase phase;
    Event event;
    Outcome expected;
};

class CLogicDriver {
public:
    CLogicDriver() {
        auto shell = std::make_unique<CFakeRacingLink>();
        auto telnet = std::make_unique<CFakeRacingLink>();
        m_shell = shell.get();
        m_telnet = telnet.get();
        // This PC is on the loopback network, so the new address can be followed.
        const LocalNetworksReader loopback = [] {
            return std::vector<Ipv4Network>{{0x7f000001, 0xff000000}};
        };
        m_logic = std::make_unique<CConfigDlgLogic>(
            m_view, RacingLinks{std::move(shell), std::move(telnet)}, [](CWorkerThread&, StateReport) {},
            loopback);
        RestartEnvironment environment;
        environment.localNetworks = loopback;
        environment.now = [this] { return m_now; };
        m_logic->SetRestartEnvironment(environment);
        m_logic->OnInitDialog();
    }
    ~CLogicDriver() {
        if (!m_view.m_endResult) {
            m_logic->OnClose();
        }
    }

    void BringTo(Phase phase) {
        if (phase == Phase::Idle) {
            return;
        }
        m_view.SetItemText(IDC_DEVICE_ADDRESS, kAddress);
        m_logic->OnConnect();
        if (phase == Phase::Connecting) {
            return;
        }
        Deliver(*m_shell, m_shell->Report(StateReady));
        m_logic->OnTimer(CConfigDlgLogic::kRefreshTimerId);
        if (phase == Phase::Connected || phase == Phase::ChangeAsked) {
            return;
        }
        Apply();
        if (phase == Phase::ChangeSent) {
            return;
        }
        Deliver(*m_shell, m_shell->Report(StateLinkClosed));
        if (phase == Phase::Following) {
            return;
        }
        m_now += 2min;
    }

    Outcome Run(Phase phase, Event event) {
        BringTo(phase);
        Outcome outcome;
        if (event == Event::Yes || event == Event::No) {
            Apply(event == Event::Yes ? MessageAnswer::Yes : MessageAnswer::No);
            outcome = Observe(m_view.m_messages.size(), m_shell->m_runs.size());
        } else if (phase == Phase::ChangeAsked) {
            m_view.whileBoxOpen = [&] { outcome = Handle(event); };
            Apply();
        } else if (phase == Phase::TimedOut) {
            m_view.whileBoxOpen = [&] { outcome = Handle(event); };
            m_logic->OnTimer(CConfigDlgLogic::kRestartTimerId);
        } else {
            outcome = Handle(event);
        }
        outcome.changeSent = !m_shell->m_addressChanges.empty() || !m_telnet->m_addressChanges.empty();
        return outcome;
    }

private:
    void Deliver(CFakeRacingLink& link, StateReport report) { m_logic->OnLinkState(&link.Worker(), report); }

    void Apply(MessageAnswer answer = MessageAnswer::Yes) {
        m_view.SetItemText(IDC_NEW_IP_ADDRESS, kNewAddress);
        m_view.SetItemText(IDC_NEW_SUBNET_MASK, "255.0.0.0");
        m_view.SetItemText(IDC_NEW_GATEWAY, "127.0.93.254");
        m_view.confirmAnswer = answer;
        m_logic->OnApply();
    }

    Outcome Handle(Event event) {
        const std::size_t boxesBefore = m_view.m_messages.size();
        const std::size_t racesBefore = m_shell->m_runs.size();
        Fire(event);
        return Observe(boxesBefore, racesBefore);
    }

    Outcome Observe(std::size_t boxesBefore, std::size_t racesBefore) const {
        Outcome outcome;
        outcome.connection = m_logic->Phase();
        outcome.restart = m_logic->RestartFollowPhase();
        if (m_view.m_endResult) {
            // A closed window's controls no longer matter.
            outcome.ended = true;
            return outcome;
        }
        outcome.connectButton = ButtonStringId();
        for (std::size_t i = boxesBefore; i < m_view.m_messages.size(); ++i) {
            outcome.boxes.push_back(BoxStringId(m_view.m_messages[i]));
        }
        outcome.refreshTimer = m_view.IsTimerRunning(CConfigDlgLogic::kRefreshTimerId);
        outcome.restartTimer = m_view.IsTimerRunning(CConfigDlgLogic::kRestartTimerId);
        outcome.panelEnabled = m_view.IsEnabled(IDC_APPLY);
        outcome.racesStarted = static_cast<int>(m_shell->m_runs.size() - racesBefore);
        if (outcome.racesStarted > 0) {
            const LinkTiming& timing = m_shell->m_runs.back().timing;
            outcome.raceLimitMs = std::max(timing.connectTimeoutMs, timing.firstPromptLimitMs);
        }
        return outcome;
    }

    void Fire(Event event) {
        switch (event) {
        case Event::ShellReady:
            return Deliver(*m_shell, m_shell->Report(StateReady));
        case Event::TelnetReady:
            return Deliver(*m_telnet, m_telnet->Report(StateReady));
        case Event::ShellFailed:
            return Deliver(*m_shell, m_shell->Report(StateConnectFailed));
        case Event::FailedBoth:
            Deliver(*m_shell, m_shell->Report(StateConnectFailed));
            return Deliver(*m_telnet, m_telnet->Report(StateConnectFailed));
        case Event::ShellClosed:
            return Deliver(*m_shell, m_shell->Report(StateLinkClosed));
        case Event::StaleShellReady: {
            const StateReport current = m_shell->Worker().GetReport();
            return Deliver(*m_shell, {StateReady, static_cast<std::uint16_t>(current.run - 1), 9});
        }
        case Event::Connect:
            return m_logic->OnConnect();
        case Event::ConnectWithoutThreads:
            m_shell->failStart = m_telnet->failStart = true;
            m_view.SetItemText(IDC_DEVICE_ADDRESS, kAddress);
            return m_logic->OnConnect();
        case Event::Close:
            return m_logic->OnClose();
        case Event::RefreshTickAfterRestartLimit:
            m_now += 20s;
            [[fallthrough]];
        case Event::RefreshTick:
            return m_logic->OnTimer(CConfigDlgLogic::kRefreshTimerId);
        case Event::RestartTickAfterWait:
            m_now += 2min;
            return m_logic->OnTimer(CConfigDlgLogic::kRestartTimerId);
        case Event::RestartTickAtNextTurn:
            m_now += 2s;
            return m_logic->OnTimer(CConfigDlgLogic::kRestartTimerId);
        case Event::Yes:
        case Event::No:
            return;
        }
    }

    int ButtonStringId() const {
        for (int id : {IDS_CONNECT, IDS_CANCEL, IDS_DISCONNECT}) {
            if (m_view.ItemText(IDC_CONNECT) == LoadStringResource(id)) {
                return id;
            }
        }
        return 0;
    }

    static int BoxStringId(const std::string& text) {
        if (text == NoAnswerText(kNewAddress, LoadStringResource)) {
            return IDS_NO_ANSWER_AT;
        }
        for (int id : {IDS_CONNECT_FAILED, IDS_CONNECTION_LOST, IDS_NO_RESTART}) {
            if (text == LoadStringResource(id)) {
                return id;
            }
        }
        return 0;
    }

    CRecordingView m_view;
    CFakeRacingLink* m_shell = nullptr;
    CFakeRacingLink* m_telnet = nullptr;
    Clock::time_point m_now = Clock::time_point() + 1000s;
    std::unique_ptr<CConfigDlgLogic> m_logic;
};

using C = ConnectionPhase;
using R = RestartPhase;

// The limits of a race that Connect starts, and of a try at a restarting device (the retry interval).
constexpr std::uint32_t kConnectLimitMs = 30000;
constexpr std::uint32_t kTryLimitMs = 2000;

Outcome Disconnected(std::vector<int> boxes = {}) {
    Outcome o;
    o.boxes = std::move(boxes);
    return o;
}
Outcome Connecting(int races = 0, std::uint32_t limit = 0) {
    Outcome o;
    o.connection = C::Connecting;
    o.connectButton = IDS_CANCEL;
    o.racesStarted = races;
    o.raceLimitMs = limit;
    return o;
}
Outcome Connected(bool panel = true, R restart = R::Idle, std::vector<int> boxes = {}) {
    Outcome o;
    o.connection = C::Connected;
    o.restart = restart;
    o.connectButton = IDS_DISCONNECT;
    o.boxes = std::move(boxes);
    o.refreshTimer = true;
    o.panelEnabled = panel;
    return o;
}
Outcome Sent(Outcome o) {
    o.changeSent = true;
    return o;
}
Outcome ChangeSent() {
    return Sent(Connected(false, R::ChangeSent));
}
// Waiting for the restarted device: a try runs (Connecting) or the next one is due (Disconnected).
Outcome Following(C connection = C::Connecting, int races = 0, std::uint32_t limit = 0) {
    Outcome o = Sent(Connecting(races, limit));
    o.connection = connection;
    o.restart = R::Waiting;
    o.restartTimer = true;
    return o;
}
Outcome Ended(bool sent = false) {
    Outcome o;
    o.changeSent = sent;
    o.ended = true;
    return o;
}
Outcome ConnectFailedWithoutThreads() {
    Outcome o = Disconnected({IDS_CONNECT_FAILED});
    o.racesStarted = 1;
    o.raceLimitMs = kConnectLimitMs;
    return o;
}

const std::vector<Row> kRows = {
    {Phase::Idle, Event::Connect, Connecting(1, kConnectLimitMs)},
    {Phase::Idle, Event::ConnectWithoutThreads, ConnectFailedWithoutThreads()},
    {Phase::Idle, Event::ShellReady, Disconnected()},
    {Phase::Idle, Event::Close, Ended()},

    {Phase::Connecting, Event::ShellReady, Connected(false)},
    {Phase::Connecting, Event::TelnetReady, Connected(false)},
    {Phase::Connecting, Event::ShellFailed, Connecting()},
    {Phase::Connecting, Event::FailedBoth, Disconnected({IDS_CONNECT_FAILED})},
    {Phase::Connecting, Event::StaleShellReady, Connecting()},
    {Phase::Connecting, Event::Connect, Disconnected()},
    {Phase::Connecting, Event::Close, Ended()},

    {Phase::Connected, Event::ShellClosed, Disconnected({IDS_CONNECTION_LOST})},
    {Phase::Connected, Event::TelnetReady, Connected()},
    {Phase::Connected, Event::StaleShellReady, Connected()},
    {Phase::Connected, Event::RefreshTick, Connected()},
    {Phase::Connected, Event::Connect, Disconnected()},
    {Phase::Connected, Event::Close, Ended()},

    // The question is open; a change may only follow Yes while the connection it was asked on lasts.
    {Phase::ChangeAsked, Event::Yes, ChangeSent()},
    {Phase::ChangeAsked, Event::No, Connected()},
    {Phase::ChangeAsked, Event::RefreshTick, Sent(Connected())},
    {Phase::ChangeAsked, Event::ShellClosed, Disconnected({IDS_CONNECTION_LOST})},

    {Phase::ChangeSent, Event::ShellClosed, Following(C::Connecting, 1, kTryLimitMs)},
    {Phase::ChangeSent, Event::RefreshTick, ChangeSent()},
    {Phase::ChangeSent, Event::RefreshTickAfterRestartLimit,
     Sent(Connected(true, R::Idle, {IDS_NO_RESTART}))},
    {Phase::ChangeSent, Event::Connect, Sent(Disconnected())},
    {Phase::ChangeSent, Event::Close, Ended(true)},

    {Phase::Following, Event::ShellReady, Sent(Connected(false))},
    {Phase::Following, Event::TelnetReady, Sent(Connected(false))},
    {Phase::Following, Event::FailedBoth, Following(C::Disconnected)},
    {Phase::Following, Event::StaleShellReady, Following()},
    {Phase::Following, Event::RestartTickAtNextTurn, Following()},
    {Phase::Following, Event::RestartTickAfterWait, Sent(Disconnected({IDS_NO_ANSWER_AT}))},
    {Phase::Following, Event::Connect, Sent(Disconnected())},
    {Phase::Following, Event::Close, Ended(true)},

    // Behind the no-answer box, the tries' last reports find the window already disconnected.
    {Phase::TimedOut, Event::ShellReady, Sent(Disconnected())},
    {Phase::TimedOut, Event::TelnetReady, Sent(Disconnected())},
    {Phase::TimedOut, Event::FailedBoth, Sent(Disconnected())},
};

TEST(ConfigDlgStateTable, EachPhaseAgainstEachEvent) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i) + ": phase " +
                     std::to_string(static_cast<int>(kRows[i].phase)) + ", event " +
                     std::to_string(static_cast<int>(kRows[i].event)));
        CLogicDriver driver;
        EXPECT_EQ(driver.Run(kRows[i].phase, kRows[i].event), kRows[i].expected);
    }
}

} // namespace
