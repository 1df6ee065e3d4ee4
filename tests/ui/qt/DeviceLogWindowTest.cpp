// The device log window against the simulated device, whose GPS lock SIGUSR1 flips: opened with Ctrl+L,
// it shows the connection, the chart's first point, and the lock lost. Loopback address 127.0.176.1.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "tests/support/SimProcess.h"
#include "ui/qt/ChartView.h"
#include "ui/qt/DeviceLogDlg.h"
#include "ui/res/resource.h"

#include <QTest>
#include <QTreeWidget>

#include <csignal>

namespace {

constexpr const char* kAddress = "127.0.176.1";

// Whether the list shows an event of that code (the details column names it).
bool ListShows(const CDeviceLogDlg& log, const QString& code) {
    const auto* list = static_cast<const QTreeWidget*>(log.Controls().Item(IDC_LOG_EVENTS));
    constexpr int kDetailsColumn = 3;
    for (int index = 0; index < list->topLevelItemCount(); ++index) {
        if (list->topLevelItem(index)->text(kDetailsColumn).split(QStringLiteral(", ")).contains(code)) {
            return true;
        }
    }
    return false;
}

bool ChartHasPoint(const CDeviceLogDlg& log) {
    const auto* chart = static_cast<const CChartView*>(log.Controls().Item(IDC_LOG_CHART));
    return !chart->LastPlan().offsetLines.empty();
}

class DeviceLogWindow : public CWindowTest {
protected:
    // Keys reach only the active window.
    void SetUp() override {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }
};

TEST_F(DeviceLogWindow, CtrlLShowsTheConnectionTheChartAndTheGpsLockLost) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim(kAddress))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo(kAddress));
    QTest::keyClick(&m_window, Qt::Key_L, Qt::ControlModifier);
    CDeviceLogDlg* log = m_window.DeviceLogWindow();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
    EXPECT_TRUE(
        ProcessEventsUntil([log] { return ListShows(*log, QStringLiteral("connected")); }, kDeviceWaitMs));
    EXPECT_TRUE(ProcessEventsUntil([log] { return ChartHasPoint(*log); }, kDeviceWaitMs));

    ASSERT_TRUE(sim.Signal(SIGUSR1));
    EXPECT_TRUE(ProcessEventsUntil([log] { return ListShows(*log, QStringLiteral("gps-lock-lost")); },
                                   kDeviceWaitMs));
}

} // namespace
