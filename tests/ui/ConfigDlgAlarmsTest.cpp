// The window's alarms over a fake link: which of its events reach the user outside the window, and how
// the summary names the device.
#include "ui/ConfigDlgLogic.h"
#include "ui/res/resource.h"

#include "tests/ui/support/FakeRacingLink.h"
#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kAddress = "127.0.162.1";

// The window's clock, which only the test moves.
CAlarmTracker::Clock::time_point g_now;

struct Row {
    const char* name;
    bool alarmsOn;
    // What happens after the first refresh of a connected window with both lamps green.
    std::function<void(CConfigDlgLogic&, CFakeRacingLink&)> event;
    std::vector<std::string> summaries;
};

void Refresh(CConfigDlgLogic& logic) {
    logic.OnTimer(CConfigDlgLogic::kRefreshTimerId);
}

const std::vector<Row> kRows = {
    {"GPS lock lost and regained",
     true,
     [](CConfigDlgLogic& logic, CFakeRacingLink& link) {
         link.gps = 0;
         Refresh(logic);
         Refresh(logic);
         link.gps = 1;
         Refresh(logic); // held back: the loss was raised less than a minute ago
         g_now += CAlarmTracker::kQuietTime;
         Refresh(logic);
     },
     {"127.0.162.1: GPS lock lost", "127.0.162.1: GPS lock regained"}},
    {"the connection ends by a fault",
     true,
     [](CConfigDlgLogic& logic, CFakeRacingLink& link) {
         logic.OnLinkState(&link.Worker(), link.Report(StateLinkClosed));
     },
     {"127.0.162.1: Connection lost"}},
    {"the user disconnects", true, [](CConfigDlgLogic& logic, CFakeRacingLink&) { logic.OnConnect(); }, {}},
    {"alarms switched off",
     false,
     [](CConfigDlgLogic& logic, CFakeRacingLink& link) {
         link.timeSync = 0;
         Refresh(logic);
     },
     {}},
};

TEST(ConfigDlgAlarms, FaultsReachTheUserNamingTheDeviceWhileAlarmsAreOn) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        CRecordingView view;
        auto a = std::make_unique<CFakeRacingLink>();
        CFakeRacingLink& link = *a;
        CConfigDlgLogic logic(
            view, RacingLinks{std::move(a), std::make_unique<CFakeRacingLink>()},
            [](CWorkerThread&, StateReport) {}, [] { return std::vector<Ipv4Network>(); });
        RestartEnvironment environment;
        environment.localNetworks = [] { return std::vector<Ipv4Network>(); };
        environment.now = [] { return g_now; };
        logic.SetRestartEnvironment(environment);
        logic.OnInitDialog();
        logic.SetAlarmsOn(row.alarmsOn);
        view.SetItemText(IDC_DEVICE_ADDRESS, kAddress);
        logic.OnConnect();
        logic.OnLinkState(&link.Worker(), link.Report(StateReady));
        Refresh(logic);
        row.event(logic, link);
        std::vector<std::string> summaries;
        for (const Alarm& alarm : view.m_alarms) {
            summaries.push_back(alarm.summary);
        }
        EXPECT_EQ(summaries, row.summaries);
        logic.OnClose();
    }
}

} // namespace
