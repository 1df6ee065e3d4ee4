// The keyboard focus across the window's state changes: a control that is disabled while it holds the
// focus must not pass it on to a push button, or the user's next Space or Enter would close the window
// or press Connect. Driven through the keyboard of the shown window. Loopback addresses 127.0.4.60 to
// 127.0.4.69, one per test.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/link/UnansweringListener.h"
#include "tests/support/SimProcess.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

namespace {

// Time for whatever a key press starts to show.
constexpr int kKeySettleMs = 100;

class ConfigDlgFocus : public CWindowTest {
protected:
    // Keys reach only the active window.
    void SetUp() override {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    void Focus(int id) { m_window.Controls().Item(id)->setFocus(Qt::TabFocusReason); }

    // Space, Return and Enter where the focus is now, as the user presses them after the change.
    void ExpectKeysPressNothing() {
        const auto* focusedButton = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        EXPECT_EQ(focusedButton, nullptr) << "the focus went to " << focusedButton->text().toStdString();
        const ConnectionPhase phase = m_window.Logic().Phase();
        const std::size_t boxes = m_boxes.Boxes().size();
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(static_cast<QWidget*>(nullptr), key);
            ProcessEventsFor(kKeySettleMs);
            ASSERT_TRUE(m_window.isVisible()) << "key " << key << " closed the window";
            EXPECT_EQ(m_window.Logic().Phase(), phase) << "key " << key << " pressed Connect";
        }
        EXPECT_EQ(m_boxes.Boxes().size(), boxes);
    }
};

TEST_F(ConfigDlgFocus, ApplyAnsweredYesAndTheRestartToAnAddressOutOfReach) {
    // No network of this PC holds the new address, so the window shows where the device went; it is
    // loopback all the same, so that a key that did press Connect would stay on this machine.
    RestartEnvironment environment = LoopbackRestartEnvironment();
    environment.localNetworks = [] { return std::vector<Ipv4Network>{}; };
    m_window.Logic().SetRestartEnvironment(environment);
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.60", {"--downtime", "0"}))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.60"));
    ASSERT_TRUE(WaitForDeviceTime());
    SetEditText(IDC_NEW_IP_ADDRESS, "127.0.4.62");
    SetEditText(IDC_NEW_GATEWAY, "127.0.4.1");

    Focus(IDC_APPLY);
    m_boxes.QueueAnswer(MessageAnswer::Yes);
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Space);
    ASSERT_TRUE(ProcessEventsUntil([this] { return TextOf(m_window, IDC_DEVICE_ADDRESS) == "127.0.4.62"; },
                                   kDeviceWaitMs));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    ASSERT_EQ(m_window.Logic().Phase(), ConnectionPhase::Disconnected);

    ExpectKeysPressNothing();
    sim.Stop();
}

TEST_F(ConfigDlgFocus, TimeTurningUnreadableWhileTypingInThePanel) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.61", {"--unreadable-getdate", "2"}))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.61"));
    ASSERT_TRUE(WaitForDeviceTime());

    Focus(IDC_NEW_GATEWAY);
    QTest::keyClicks(static_cast<QWidget*>(nullptr), "10.0.0.1");
    ASSERT_EQ(TextOf(m_window, IDC_NEW_GATEWAY), "10.0.0.1");
    ASSERT_TRUE(ProcessEventsUntil([this] { return !IsEnabled(m_window, IDC_NEW_GATEWAY); }, kDeviceWaitMs));
    ASSERT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected);

    ExpectKeysPressNothing();
    sim.Stop();
}

TEST_F(ConfigDlgFocus, ConnectPressedByTheProgramWhileTheAddressHasTheFocus) {
    CUnansweringListener shellPort("127.0.4.62", kShellPort);
    ASSERT_TRUE(shellPort.IsReady());
    SetEditText(IDC_DEVICE_ADDRESS, "127.0.4.62");
    Focus(IDC_DEVICE_ADDRESS);

    // As --connect does, with the focus where the window put it at start.
    Click(IDC_CONNECT);
    ASSERT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connecting);

    ExpectKeysPressNothing();
}

} // namespace
