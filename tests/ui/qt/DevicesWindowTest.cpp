// The Devices window against three simulated devices served by one sim: opened with Ctrl+D, the devices
// typed as a range become rows that turn OK, their state in words and colour; Enter on a row connects the
// main window to it. Loopback addresses 127.0.94.1 to 127.0.94.3, NTP on port 12394.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/support/SimProcess.h"
#include "ui/qt/DevicesDlg.h"
#include "ui/qt/QtSettingsStore.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

constexpr const char* kDevices = "127.0.94.1-127.0.94.3";
constexpr unsigned short kNtpPort = 12394;
constexpr int kReadingWaitMs = 30000;

class DevicesWindow : public CWindowTest {
protected:
    void SetUp() override {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }
    // The next window starts with no devices.
    void TearDown() override { CQtSettingsStore().Write(kDevicesSetting, std::string()); }

    static DevicesEnvironment SimEnvironment() {
        DevicesEnvironment environment = ProgramDevicesEnvironment();
        environment.journalPath.reset();
        environment.fleet.probe.ntpPort = kNtpPort;
        return environment;
    }
};

bool AllOk(const CDevicesDlg& devices, std::size_t count) {
    const CDevicesDlgLogic& logic = const_cast<CDevicesDlg&>(devices).Logic();
    if (logic.RowCount() != count) {
        return false;
    }
    for (std::size_t row = 0; row < count; ++row) {
        if (logic.Row(row).state != DeviceState::Ok) {
            return false;
        }
    }
    return true;
}

TEST_F(DevicesWindow, ARangeTypedBecomesRowsThatTurnOkAndEnterConnectsTheMainWindow) {
    QTest::keyClick(&m_window, Qt::Key_D, Qt::ControlModifier);
    ASSERT_NE(m_window.DevicesWindow(), nullptr);
    EXPECT_TRUE(m_window.DevicesWindow()->isVisible());
    m_window.DevicesWindow()->hide();

    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim(kDevices, {"--ntp-port", std::to_string(kNtpPort)})))
        << sim.ErrorOutput();
    CDevicesDlg devices(m_window, m_boxes, SimEnvironment());
    devices.ShowWindow();
    static_cast<QLineEdit*>(devices.Item(IDC_DEVICES_ADD_BOX))->setText(QString::fromLatin1(kDevices));
    static_cast<QAbstractButton*>(devices.Item(IDC_DEVICES_ADD))->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return AllOk(devices, 3); }, kReadingWaitMs));

    QTableView* table = devices.Table();
    const QModelIndex state = table->model()->index(0, static_cast<int>(DeviceColumn::State));
    EXPECT_EQ(state.data().toString(), QStringLiteral("OK"));
    EXPECT_TRUE(state.data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(table->model()->index(2, 0).data().toString(), QStringLiteral("127.0.94.3"));
    EXPECT_EQ(table->model()->index(0, static_cast<int>(DeviceColumn::Firmware)).data().toString(),
              QStringLiteral("2.4.1"));
    EXPECT_FALSE(table->accessibleName().isEmpty());
    EXPECT_TRUE(m_boxes.Boxes().empty());

    table->setFocus();
    table->setCurrentIndex(table->model()->index(1, 0));
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_TRUE(ProcessEventsUntil([&] { return m_window.ItemText(IDC_DEVICE_ADDRESS) == "127.0.94.2"; },
                                   kDeviceWaitMs));
}

} // namespace
