// The window's alarms over a fake link: which of its events reach the user outside the window, how the
// summary names the device, what the device log says of the same events, and when the alarms shown are
// taken off the screen.
#include "resources/resource.h"
#include "ui/ConfigDlgLogic.h"

#include "tests/ui/support/FakeRacingLink.h"
#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kAddress = "127.0.162.1";
constexpr const char* kOther = "127.0.162.2";
constexpr const char* kNewAddress = "127.0.162.3";
constexpr std::int64_t kPcMicros = 1700000000'000000;

using namespace std::chrono_literals;

// A window connected over the shell link, whose clock only the test moves.
class CAlarmWindow {
public:
    CAlarmWindow() {
        auto shell = std::make_unique<CFakeRacingLink>();
        auto telnet = std::make_unique<CFakeRacingLink>();
        link = shell.get();
        telnetLink = telnet.get();
        const LocalNetworksReader loopback = [] {
            return std::vector<Ipv4Network>{{0x7f000001, 0xff000000}};
        };
        logic = std::make_unique<CConfigDlgLogic>(
            view, RacingLinks{std::move(shell), std::move(telnet)}, [](CWorkerThread&, StateReport) {},
            loopback);
        RestartEnvironment environment;
        environment.localNetworks = loopback;
        environment.now = [this] { return now; };
        logic->SetRestartEnvironment(environment);
        logic->SetDeviceLogEnvironment({std::nullopt, [this] { return kPcMicros; }});
        logic->OnInitDialog();
        link->clockReading = TimedClockReading{kPcMicros / 1000000, 0, kPcMicros, kPcMicros};
        ConnectTo(kAddress);
    }
    ~CAlarmWindow() { logic->OnClose(); }

    void ConnectTo(const char* address) {
        view.SetItemText(IDC_DEVICE_ADDRESS, address);
        logic->OnConnect();
        logic->OnLinkState(&link->Worker(), link->Report(StateReady));
        Refresh();
    }
    void Refresh() { logic->OnTimer(CConfigDlgLogic::kRefreshTimerId); }
    void Pass(std::chrono::seconds time) { now += time; }
    // What an unreadable time answer leaves in the link: no time, and the GPS state at 0.
    void ReadUnreadable() {
        const std::optional<TimedClockReading> clock = std::exchange(link->clockReading, std::nullopt);
        link->gps = false;
        Refresh();
        link->clockReading = clock;
        link->gps = true;
    }
    void Apply() {
        view.SetItemText(IDC_NEW_IP_ADDRESS, kNewAddress);
        view.SetItemText(IDC_NEW_SUBNET_MASK, "255.0.0.0");
        view.SetItemText(IDC_NEW_GATEWAY, "127.0.0.254");
        view.confirmAnswer = MessageAnswer::Yes;
        logic->OnApply();
    }
    void Lose() { logic->OnLinkState(&link->Worker(), link->Report(StateLinkClosed)); }

    std::vector<std::string> Summaries() const {
        std::vector<std::string> summaries;
        for (const Alarm& alarm : view.m_alarms) {
            summaries.push_back(alarm.summary);
        }
        return summaries;
    }
    // The codes of the log's events of lamps and of the connection.
    std::vector<std::string> LossEvents() const {
        std::vector<std::string> codes;
        for (const LoggedEvent& logged : logic->DeviceLog().Events()) {
            const std::string& code = logged.event.code;
            if (code.starts_with("gps-") || code.starts_with("time-sync-") ||
                code.starts_with("connection-")) {
                codes.push_back(code);
            }
        }
        return codes;
    }

    CRecordingView view;
    CFakeRacingLink* link = nullptr;
    CFakeRacingLink* telnetLink = nullptr;
    std::unique_ptr<CConfigDlgLogic> logic;
    CDeviceWatch::Clock::time_point now{std::chrono::hours(1)};
};

struct Row {
    const char* name;
    std::function<void(CAlarmWindow&)> events; // after the first refresh of a window connected to kAddress
    std::vector<std::string> summaries;
    std::vector<std::string> logged; // the log's events of lamps and connection
};

const std::vector<Row> kRows = {
    {"GPS lock lost and regained 14 s later: each at once",
     [](CAlarmWindow& w) {
         w.link->gps = false;
         w.Refresh();
         w.Refresh();
         w.Pass(14s);
         w.link->gps = true;
         w.Refresh();
     },
     {"127.0.162.1: GPS lock lost", "127.0.162.1: GPS lock regained"},
     {"gps-lock-lost", "gps-lock-regained"}},
    {"an unreadable time answer",
     [](CAlarmWindow& w) {
         w.ReadUnreadable();
         w.Pass(2s);
         w.Refresh();
     },
     {},
     {}},
    {"an address change whose device answers badly until it restarts, then comes back at its new address",
     [](CAlarmWindow& w) {
         w.Apply();
         w.link->gps = w.link->timeSync = false;
         w.Pass(3s);
         w.Refresh();
         w.ReadUnreadable();
         w.Lose();
         w.link->gps = w.link->timeSync = true;
         w.Pass(6s);
         w.logic->OnTimer(CConfigDlgLogic::kRestartTimerId);
         w.logic->OnLinkState(&w.link->Worker(), w.link->Report(StateReady));
         w.Refresh();
     },
     {},
     {}},
    {"an address change the device never takes: nothing until the box, and nothing after",
     [](CAlarmWindow& w) {
         w.Apply();
         w.link->gps = w.link->timeSync = false;
         w.Refresh();
         w.Pass(10s);
         w.link->timeSync = true;
         w.Refresh();
         w.link->gps = true;
         w.link->timeSync = false;
         w.Refresh();
         w.link->timeSync = true;
         w.Pass(15s);
         w.Refresh(); // the box that says the device did not restart
         w.Refresh();
     },
     {},
     {}},
    {"a lost connection, then another device: its alarms end, and nothing is said under the other's name",
     [](CAlarmWindow& w) {
         w.Lose();
         w.Pass(60s);
         w.ConnectTo(kOther);
         w.Pass(60s);
         w.Refresh();
     },
     {"127.0.162.1: Connection lost"},
     {}}, // the log follows the other device now
    {"a lost connection regained at the same device",
     [](CAlarmWindow& w) {
         w.Lose();
         w.Pass(5s);
         w.ConnectTo(kAddress);
     },
     {"127.0.162.1: Connection lost", "127.0.162.1: Connection restored"},
     {"connection-lost", "connection-restored"}},
    {"the user disconnects", [](CAlarmWindow& w) { w.logic->OnConnect(); }, {}, {}},
    {"alarms switched off use up nothing: switched on again, the next change is said at once",
     [](CAlarmWindow& w) {
         w.logic->SetAlarmsOn(false);
         for (const bool timeSync : {false, true, false}) {
             w.link->timeSync = timeSync;
             w.Refresh();
         }
         w.logic->SetAlarmsOn(true);
         w.link->timeSync = true;
         w.Refresh();
     },
     {"127.0.162.1: Time sync regained"},
     {"time-sync-lost", "time-sync-regained", "time-sync-lost", "time-sync-regained"}},
    {"a flapping lamp: the third change is held and said at the end of the minute",
     [](CAlarmWindow& w) {
         for (const bool gps : {false, true, false}) {
             w.link->gps = gps;
             w.Refresh();
             w.Pass(1s);
         }
         EXPECT_TRUE(w.view.IsTimerRunning(CConfigDlgLogic::kAlarmTimerId));
         w.Pass(57s);
         w.logic->OnTimer(CConfigDlgLogic::kAlarmTimerId);
         EXPECT_FALSE(w.view.IsTimerRunning(CConfigDlgLogic::kAlarmTimerId));
     },
     {"127.0.162.1: GPS lock lost", "127.0.162.1: GPS lock regained",
      "127.0.162.1: GPS lock lost (3 changes in the last minute)"},
     {"gps-lock-lost", "gps-lock-regained", "gps-lock-lost"}},
};

TEST(ConfigDlgAlarms, FaultsReachTheUserNamingTheDeviceAndTheLogSaysTheSame) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        CAlarmWindow window;
        row.events(window);
        EXPECT_EQ(window.Summaries(), row.summaries);
        EXPECT_EQ(window.LossEvents(), row.logged);
    }
}

TEST(ConfigDlgAlarms, ADisconnectAnotherDeviceAndTheCloseTakeTheAlarmsOffTheScreen) {
    CAlarmWindow window;
    window.Lose();
    EXPECT_EQ(window.view.m_withdrawals, 0);
    window.ConnectTo(kOther);
    EXPECT_EQ(window.view.m_withdrawals, 1);
    window.logic->OnConnect();
    EXPECT_EQ(window.view.m_withdrawals, 2);
    EXPECT_EQ(window.view.m_trayTip, "VANTREX Configuration\n127.0.162.2: Not connected");
}

// An attempt whose links got no thread has ended, box and all, before Connect returns: the tip must not
// go on saying the window connects.
TEST(ConfigDlgAlarms, TheTipAfterAConnectWhoseLinksGotNoThreadSaysNotConnected) {
    CAlarmWindow window;
    window.logic->OnConnect();
    window.link->failStart = window.telnetLink->failStart = true;
    window.view.SetItemText(IDC_DEVICE_ADDRESS, kOther);
    window.logic->OnConnect();
    EXPECT_EQ(window.logic->Phase(), ConnectionPhase::Disconnected);
    EXPECT_EQ(window.view.m_trayTip, "VANTREX Configuration\n127.0.162.2: Not connected");
}

} // namespace
