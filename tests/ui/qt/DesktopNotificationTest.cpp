// The window's alarms as desktop notifications on a private session bus, against the simulated device.
// tests/ui/qt/CMakeLists.txt runs each test under dbus-run-session: with the stand-in service
// (notification_service.py, whose log notification-bus.sh names in VANTREX_NOTIFICATION_LOG), with no
// service on the bus, and with no bus at all. Loopback addresses 127.0.163.1 to 127.0.163.9, a few per test.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/StringTable.h"
#include "resources/resource.h"
#include "tests/support/SimProcess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>
#include <QtGlobal>

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Time for a notification that should not come to arrive: several refreshes and bus round trips.
constexpr int kSettleMs = 2000;
// The device is read about once every 2 s; a false alarm would come with the reading after the cause.
constexpr std::size_t kReadingsAfterwards = 2;

// The Notify and CloseNotification calls the stand-in service has logged so far, oldest first; a line
// still being written is left for the next look.
std::vector<nlohmann::json> LoggedCalls() {
    std::vector<nlohmann::json> calls;
    const char* path = std::getenv("VANTREX_NOTIFICATION_LOG");
    if (path == nullptr) {
        return calls;
    }
    std::ifstream log(path);
    for (std::string line; std::getline(log, line) && !log.eof();) {
        calls.push_back(nlohmann::json::parse(line, nullptr, false));
    }
    return calls;
}

// The summaries of the logged Notify calls, and "closed ID" for each CloseNotification.
std::vector<std::string> CallsSeen() {
    std::vector<std::string> seen;
    for (const nlohmann::json& call : LoggedCalls()) {
        seen.push_back(call.value("method", "") == "Notify"
                           ? call.value("summary", "")
                           : "closed " + std::to_string(call.value("id", 0)));
    }
    return seen;
}

// Qt's warnings while a test runs; a window without a notification service must not add any.
std::vector<std::string> g_warnings;

void RecordWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        g_warnings.push_back(message.toStdString());
    }
}

class DesktopNotification : public CWindowTest {
protected:
    DesktopNotification() : m_previousHandler(qInstallMessageHandler(RecordWarning)) { g_warnings.clear(); }
    ~DesktopNotification() override { qInstallMessageHandler(m_previousHandler); }

    void RequireService() {
        ASSERT_NE(std::getenv("VANTREX_NOTIFICATION_LOG"), nullptr)
            << "run through tests/ui/qt/notification-bus.sh, which starts the service";
    }

    // Starts a sim at address with more options, connects to it and waits until both lamps show the
    // device's first reading, the state the user sees on connecting.
    void ConnectAndRead(CSimProcess& sim, const char* address, const std::vector<std::string>& more = {}) {
        ASSERT_TRUE(sim.Start(ShellOnlySim(address, more))) << sim.ErrorOutput();
        ASSERT_TRUE(ConnectTo(address));
        ASSERT_TRUE(WaitForLamps(IDB_LAMP_GREEN));
    }

    bool WaitForLamps(int bitmapId) {
        return ProcessEventsUntil(
            [this, bitmapId] {
                return LampShows(m_window, IDC_GPS_LAMP, bitmapId) &&
                       LampShows(m_window, IDC_TIME_SYNC_LAMP, bitmapId);
            },
            kDeviceWaitMs);
    }

    // Waits until the window has read the device a few more times: a false alarm would have come.
    bool WaitForMoreReadings() {
        const std::size_t start = m_window.Logic().DeviceLog().History().Size();
        return ProcessEventsUntil(
            [this, start] {
                return m_window.Logic().DeviceLog().History().Size() >= start + kReadingsAfterwards;
            },
            kDeviceWaitMs);
    }

    // Flips the sim's GPS lock and waits until the GPS lamp shows bitmapId.
    void FlipGpsLock(CSimProcess& sim, int bitmapId) {
        ASSERT_TRUE(sim.Signal(SIGUSR1));
        ASSERT_TRUE(ProcessEventsUntil(
            [this, bitmapId] { return LampShows(m_window, IDC_GPS_LAMP, bitmapId); }, kDeviceWaitMs));
    }

    static bool CallsReach(std::size_t count) {
        return ProcessEventsUntil([count] { return LoggedCalls().size() >= count; }, kDeviceWaitMs);
    }

private:
    QtMessageHandler m_previousHandler;
};

// The fields of a notification that the window chooses, as the stand-in service logged them.
nlohmann::json ExpectedNotification(int id, int replaces, const std::string& summary, int bodyId,
                                    int urgency) {
    return {{"method", "Notify"},
            {"id", id},
            {"app_name", LoadStringResource(IDS_WINDOW_TITLE)},
            {"replaces_id", replaces},
            {"app_icon", "vantrex-config"},
            {"summary", summary},
            {"body", LoadStringResource(bodyId)},
            {"actions", {"default", LoadStringResource(IDS_ALARM_SHOW)}},
            {"urgency", urgency},
            {"desktop_entry", "vantrex-config"},
            // Not installed, the window sends the picture of its own icon.
            {"image", {64, 64}},
            {"expire_timeout", -1}};
}

// Clicks notification id as the user would, through the stand-in's test interface.
void ClickNotification(int id) {
    QDBusMessage click = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.vantrex.Test"), QStringLiteral("Click"));
    click << static_cast<uint>(id);
    ASSERT_TRUE(QDBusConnection::sessionBus().send(click));
}

TEST_F(DesktopNotification, ALossAndItsRecoveryComeAtOnceTheRecoveryInTheLossPlaceAndAClickShowsTheWindow) {
    ASSERT_NO_FATAL_FAILURE(RequireService());
    m_window.show();
    CSimProcess sim;
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead(sim, "127.0.163.1"));

    ASSERT_NO_FATAL_FAILURE(FlipGpsLock(sim, IDB_LAMP_RED));
    ASSERT_TRUE(CallsReach(1));
    ASSERT_NO_FATAL_FAILURE(FlipGpsLock(sim, IDB_LAMP_GREEN));
    ASSERT_TRUE(CallsReach(2));
    std::vector<nlohmann::json> calls = LoggedCalls();
    EXPECT_EQ(calls[0], ExpectedNotification(1, 0, "127.0.163.1: GPS lock lost", IDS_ALARM_GPS_LOST_BODY, 2));
    EXPECT_EQ(calls[1],
              ExpectedNotification(1, 1, "127.0.163.1: GPS lock regained", IDS_ALARM_GPS_REGAINED_BODY, 1));

    // Another window in front; the click brings this one back.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_NO_FATAL_FAILURE(ClickNotification(1));
    EXPECT_TRUE(ProcessEventsUntil([this] { return m_window.isActiveWindow(); }, kDeviceWaitMs));

    // The user's Disconnect ends the device's alarms: what is on screen goes.
    Click(IDC_CONNECT);
    ASSERT_TRUE(CallsReach(3));
    ProcessEventsFor(kSettleMs);
    EXPECT_EQ(CallsSeen(), (std::vector<std::string>{"127.0.163.1: GPS lock lost",
                                                     "127.0.163.1: GPS lock regained", "closed 1"}));
    EXPECT_TRUE(m_boxes.Boxes().empty());
    sim.Stop();
}

TEST_F(DesktopNotification, AnUnreadableTimeAnswerRaisesNothing) {
    ASSERT_NO_FATAL_FAILURE(RequireService());
    CSimProcess sim;
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead(sim, "127.0.163.3", {"--unreadable-getdate", "3"}));
    // The lamp shows what the answer left, as it should; the alarms take no such reading.
    ASSERT_TRUE(ProcessEventsUntil([this] { return LampShows(m_window, IDC_GPS_LAMP, IDB_LAMP_RED); },
                                   kDeviceWaitMs));
    ASSERT_TRUE(WaitForLamps(IDB_LAMP_GREEN));
    ASSERT_TRUE(WaitForMoreReadings());
    EXPECT_EQ(CallsSeen(), std::vector<std::string>());
    sim.Stop();
}

TEST_F(DesktopNotification, AnAddressChangeWhoseDeviceAnswersBadlyUntilItRestartsRaisesNothing) {
    ASSERT_NO_FATAL_FAILURE(RequireService());
    CSimProcess sim;
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead(
        sim, "127.0.163.4", {"--follow-address", "--downtime", "1", "--busy-after-change", "3"}));
    SetEditText(IDC_NEW_IP_ADDRESS, QStringLiteral("127.0.163.5"));
    SetEditText(IDC_NEW_SUBNET_MASK, QStringLiteral("255.0.0.0"));
    SetEditText(IDC_NEW_GATEWAY, QStringLiteral("127.0.0.1"));
    m_boxes.QueueAnswer(MessageAnswer::Yes);
    Click(IDC_APPLY);
    // While its network restarts the device answers with no clock and no peer table.
    ASSERT_TRUE(ProcessEventsUntil([this] { return LampShows(m_window, IDC_TIME_SYNC_LAMP, IDB_LAMP_RED); },
                                   kDeviceWaitMs));
    ASSERT_TRUE(ProcessEventsUntil(
        [this] {
            return m_window.Logic().Phase() == ConnectionPhase::Connected &&
                   TextOf(m_window, IDC_DEVICE_ADDRESS) == QStringLiteral("127.0.163.5");
        },
        2 * kDeviceWaitMs));
    ASSERT_TRUE(WaitForLamps(IDB_LAMP_GREEN));
    ASSERT_TRUE(WaitForMoreReadings());
    EXPECT_EQ(CallsSeen(), std::vector<std::string>());
    sim.Stop();
}

TEST_F(DesktopNotification, AnotherDeviceAfterALossHearsNothingOfTheFirst) {
    ASSERT_NO_FATAL_FAILURE(RequireService());
    CSimProcess first;
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead(first, "127.0.163.6"));
    first.Stop();
    ASSERT_TRUE(CallsReach(1));
    CSimProcess second;
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead(second, "127.0.163.7"));
    ASSERT_TRUE(WaitForMoreReadings());
    ProcessEventsFor(kSettleMs);
    // Connecting to another device ends the alarms of the first: its loss goes from the screen.
    EXPECT_EQ(CallsSeen(), (std::vector<std::string>{"127.0.163.6: Connection lost", "closed 1"}));
    ASSERT_EQ(m_boxes.Boxes().size(), 1U);
    EXPECT_EQ(m_boxes.Boxes()[0].text, LoadStringResource(IDS_CONNECTION_LOST));
    second.Stop();
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
