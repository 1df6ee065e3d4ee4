// The window's alarms as desktop notifications on a private session bus, against the simulated device
// whose GPS lock SIGUSR1 flips. tests/ui/qt/CMakeLists.txt runs each test under dbus-run-session: with
// the stand-in service (notification_service.py, whose log notification-bus.sh names in
// VANTREX_NOTIFICATION_LOG), with no service on the bus, and with no bus at all. Loopback addresses
// 127.0.163.1 to 127.0.163.9, one per test.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "tests/support/SimProcess.h"
#include "ui/AlarmTracker.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include <QtGlobal>

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// Time for a notification that should not come to arrive: several refreshes and bus round trips.
constexpr int kSettleMs = 2000;

// The Notify calls the stand-in service has logged so far, oldest first; a line still being written
// is left for the next look.
std::vector<nlohmann::json> LoggedNotifications(const std::string& path) {
    std::vector<nlohmann::json> calls;
    std::ifstream log(path);
    for (std::string line; std::getline(log, line) && !log.eof();) {
        calls.push_back(nlohmann::json::parse(line, nullptr, false));
    }
    return calls;
}

// Qt's warnings while a test runs; a window without a notification service must not add any.
std::vector<std::string> g_warnings;

void RecordWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        g_warnings.push_back(message.toStdString());
    }
}

// A window whose alarm clock the test moves on, so that the one-minute quiet time between two alarms
// of a subject passes at once.
class DesktopNotification : public CWindowTest {
protected:
    DesktopNotification() : m_previousHandler(qInstallMessageHandler(RecordWarning)) {
        g_warnings.clear();
        RestartEnvironment environment = LoopbackRestartEnvironment();
        environment.now = [this] { return CRestartFollow::Clock::now() + m_skipped; };
        m_window.Logic().SetRestartEnvironment(std::move(environment));
    }
    ~DesktopNotification() override { qInstallMessageHandler(m_previousHandler); }

    // Connects to the sim at address and waits until both lamps show the device's first reading,
    // the state the user sees on connecting.
    void ConnectAndRead(CSimProcess& sim, const char* address) {
        ASSERT_TRUE(sim.Start(ShellOnlySim(address))) << sim.ErrorOutput();
        ASSERT_TRUE(ConnectTo(address));
        ASSERT_TRUE(ProcessEventsUntil(
            [this] {
                return LampShows(m_window, IDC_GPS_LAMP, IDB_LAMP_GREEN) &&
                       LampShows(m_window, IDC_TIME_SYNC_LAMP, IDB_LAMP_GREEN);
            },
            kDeviceWaitMs));
    }

    // Flips the sim's GPS lock and waits until the GPS lamp shows bitmapId.
    void FlipGpsLock(CSimProcess& sim, int bitmapId) {
        ASSERT_TRUE(sim.Signal(SIGUSR1));
        ASSERT_TRUE(ProcessEventsUntil(
            [this, bitmapId] { return LampShows(m_window, IDC_GPS_LAMP, bitmapId); }, kDeviceWaitMs));
    }

    CRestartFollow::Clock::duration m_skipped{};

private:
    QtMessageHandler m_previousHandler;
};

// The fields of a notification that the window chooses, as the stand-in service logged them.
nlohmann::json ExpectedNotification(const std::string& summary, int bodyId, int urgency) {
    return {{"app_name", LoadStringResource(IDS_WINDOW_TITLE)},
            {"replaces_id", 0},
            {"app_icon", "vantrex-config"},
            {"summary", summary},
            {"body", LoadStringResource(bodyId)},
            {"actions", nlohmann::json::array()},
            {"urgency", urgency},
            {"expire_timeout", -1}};
}

TEST_F(DesktopNotification, GpsLockLostAndRegainedNotifyOnceEach) {
    const char* logPath = std::getenv("VANTREX_NOTIFICATION_LOG");
    ASSERT_NE(logPath, nullptr) << "run through tests/ui/qt/notification-bus.sh, which starts the service";
    const auto notifications = [logPath] { return LoggedNotifications(logPath); };
    CSimProcess sim;
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead(sim, "127.0.163.1"));

    ASSERT_NO_FATAL_FAILURE(FlipGpsLock(sim, IDB_LAMP_RED));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !notifications().empty(); }, kDeviceWaitMs));
    EXPECT_EQ(notifications(),
              std::vector{ExpectedNotification("127.0.163.1: GPS lock lost", IDS_ALARM_GPS_LOST_BODY, 2)});

    // Within a minute of the loss the recovery would wait for the quiet time to end.
    m_skipped += CAlarmTracker::kQuietTime;
    ASSERT_NO_FATAL_FAILURE(FlipGpsLock(sim, IDB_LAMP_GREEN));
    ASSERT_TRUE(ProcessEventsUntil([&] { return notifications().size() >= 2; }, kDeviceWaitMs));
    ProcessEventsFor(kSettleMs);
    const std::vector<nlohmann::json> all = notifications();
    ASSERT_EQ(all.size(), 2U) << nlohmann::json(all).dump(1);
    EXPECT_EQ(all[1], ExpectedNotification("127.0.163.1: GPS lock regained", IDS_ALARM_GPS_REGAINED_BODY, 1));
    EXPECT_TRUE(m_boxes.Boxes().empty());
    sim.Stop();
}

// Run once with a bus that has no notification service and once with no bus at all.
TEST_F(DesktopNotification, WithoutAServiceTheWindowShowsTheLampChangeAlone) {
    CSimProcess sim;
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead(sim, "127.0.163.2"));
    ASSERT_NO_FATAL_FAILURE(FlipGpsLock(sim, IDB_LAMP_RED));
    ProcessEventsFor(kSettleMs);
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_EQ(g_warnings, std::vector<std::string>());
    sim.Stop();
}

} // namespace
