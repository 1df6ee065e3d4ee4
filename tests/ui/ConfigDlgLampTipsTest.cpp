// The lamps' tooltips over a fake link: what the link read on a refresh tick, judged by the health rules
// vantrex-status applies, and the problems each lamp's tooltip lists.
#include "resources/resource.h"
#include "ui/ConfigDlgLogic.h"

#include "tests/ui/support/FakeRacingLink.h"
#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kAddress = "127.0.161.1";
constexpr std::int64_t kPcMicros = 1700000000'000000;

constexpr std::int64_t kWeeks1024 = 1024LL * 7 * 86400;

// A clock reading offsetSeconds ahead of this PC, answered at once.
TimedClockReading ClockAhead(std::int64_t offsetSeconds) {
    return {kPcMicros / 1000000 + offsetSeconds, 0, kPcMicros, kPcMicros};
}

PeerTable Peers(char tally, unsigned reach, double jitterMs) {
    NtpPeer peer;
    peer.tally = tally;
    peer.remote = "GPS_NMEA(0)";
    peer.stratum = 0;
    peer.reach = reach;
    peer.jitterMs = jitterMs;
    return {{peer}, 0};
}

struct Row {
    const char* name;
    IndicatorState gps;
    IndicatorState timeSync;
    int macUnassigned;
    std::optional<TimedClockReading> clock;
    std::optional<PeerTable> peers;
    bool disconnectAfter;
    std::string gpsTip;
    std::string timeSyncTip;
};

const std::vector<Row> kRows = {
    {"healthy", true, true, 0, ClockAhead(0), Peers('*', 0377, 0.5), false, "No problems found",
     "No problems found"},
    {"receiver unlocked and its reference poor", false, true, 0, ClockAhead(0), Peers('*', 07, 9), false,
     "GPS reference unreliable: 3 of its last 8 polls answered\n"
     "GPS reference unreliable: jitter beyond 0.005 s (0.009000 s)\n"
     "GPS not locked",
     "No problems found"},
    {"GPS week-number rollover", true, true, 0, ClockAhead(-kWeeks1024), Peers('*', 0377, 0.5), false,
     "device date is 1024 weeks behind: GPS week-number rollover", "No problems found"},
    {"no system peer and the clock off", true, false, 0, ClockAhead(3), Peers(' ', 0377, 0.5), false,
     "No problems found", "no system peer\nclock offset beyond 1 s (+3.000 s)"},
    // The GPS lamp is grey: nothing is known of the receiver.
    {"MAC unassigned", std::nullopt, std::nullopt, 1, ClockAhead(0), std::nullopt, false, "",
     "MAC address not assigned"},
    {"nothing read yet", std::nullopt, std::nullopt, 0, std::nullopt, std::nullopt, false, "", ""},
    {"disconnected", false, false, 0, ClockAhead(3), std::nullopt, true, "", ""},
};

// A window whose shell link is ready with what the fake link was given.
struct ReadyWindow {
    CRecordingView view;
    CFakeRacingLink* link;
    std::unique_ptr<CConfigDlgLogic> logic;

    explicit ReadyWindow(const std::function<void(CFakeRacingLink&)>& setUp) {
        auto shell = std::make_unique<CFakeRacingLink>();
        link = shell.get();
        setUp(*link);
        logic = std::make_unique<CConfigDlgLogic>(
            view, RacingLinks{std::move(shell), std::make_unique<CFakeRacingLink>()},
            [](CWorkerThread&, StateReport) {}, [] { return std::vector<Ipv4Network>(); });
        logic->OnInitDialog();
        view.SetItemText(IDC_DEVICE_ADDRESS, kAddress);
        logic->OnConnect();
        logic->OnLinkState(&link->Worker(), link->Report(StateReady));
        logic->OnTimer(CConfigDlgLogic::kRefreshTimerId);
    }
    ~ReadyWindow() { logic->OnClose(); }
};

TEST(ConfigDlgLampTips, EachLampListsTheProblemsOfItsSubject) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        ReadyWindow window([&row](CFakeRacingLink& link) {
            link.gps = row.gps;
            link.timeSync = row.timeSync;
            link.macUnassigned = row.macUnassigned;
            link.clockReading = row.clock;
            link.peerTable = row.peers;
        });
        CConfigDlgLogic& logic = *window.logic;
        CRecordingView& view = window.view;
        if (row.disconnectAfter) {
            logic.OnConnect();
        }
        EXPECT_EQ(view.m_lampTips[IDC_GPS_LAMP], row.gpsTip);
        EXPECT_EQ(view.m_lampTips[IDC_TIME_SYNC_LAMP], row.timeSyncTip);
    }
}

TEST(ConfigDlgLampTips, AClockStepBetweenReadingsShowsOnTheTimeSyncLamp) {
    ReadyWindow window([](CFakeRacingLink& link) {
        link.gps = link.timeSync = true;
        link.clockReading = ClockAhead(0);
        link.peerTable = Peers('*', 0377, 0.5);
    });
    // A second later by this PC, the device's clock is 4 s later.
    window.link->clockReading =
        TimedClockReading{kPcMicros / 1000000 + 4, 0, kPcMicros + 1000000, kPcMicros + 1000000};
    window.logic->OnTimer(CConfigDlgLogic::kRefreshTimerId);
    EXPECT_EQ(window.view.m_lampTips[IDC_TIME_SYNC_LAMP],
              "clock offset beyond 1 s (+3.000 s)\ndevice clock stepped by +3.0 s");
}

} // namespace
