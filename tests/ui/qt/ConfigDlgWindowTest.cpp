// The configuration window's connection control against the simulated device and against addresses
// where nothing answers. Each test has a loopback address of its own (127.0.4.1 to 127.0.4.19), so the
// tests may run in parallel.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/link/UnansweringListener.h"
#include "tests/support/SimProcess.h"
#include "ui/qt/LinkStateEvent.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

namespace {

// A stop must end a link at once however long its connect would still take.
constexpr auto kCloseBound = std::chrono::seconds(2);
// Time for reports of links that are already stopped to arrive, if anything were to post them.
constexpr int kSettleMs = 500;

constexpr int kPanelIds[] = {IDC_CHANGE_IP_GROUP,   IDC_DHCP,          IDC_NEW_IP_ADDRESS,
                             IDC_NEW_SUBNET_MASK,   IDC_NEW_GATEWAY,   IDC_IP_ADDRESS_LABEL,
                             IDC_SUBNET_MASK_LABEL, IDC_GATEWAY_LABEL, IDC_APPLY,
                             IDC_MAC_GROUP,         IDC_MAC_ADDRESS,   IDC_NEW_MAC_ADDRESS,
                             IDC_MAC_APPLY};

using ConfigDlgWindow = CWindowTest;

bool IsChecked(const CConfigDlg& window, int id) {
    const QAbstractButton* button = ButtonOf(window, id);
    return button != nullptr && button->isChecked();
}

// The disconnected look every way back to it must restore: the connect controls usable again, the
// status area grey and empty, the panel disabled and both links stopped.
void ExpectDisconnected(const CConfigDlg& window) {
    EXPECT_EQ(window.Logic().Phase(), ConnectionPhase::Disconnected);
    EXPECT_EQ(TextOf(window, IDC_CONNECT), "Connect");
    EXPECT_FALSE(IsChecked(window, IDC_CONNECT));
    EXPECT_TRUE(IsEnabled(window, IDC_CONNECT));
    EXPECT_TRUE(IsEnabled(window, IDC_DEVICE_ADDRESS));
    EXPECT_FALSE(IsEnabled(window, IDC_STATUS_GROUP));
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE, IDC_VERSION_LINE}) {
        EXPECT_EQ(TextOf(window, id), "") << "status control " << id;
    }
    for (int id : {IDC_STATUS_FRAME, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION}) {
        EXPECT_FALSE(IsDrawnActive(window, id)) << "status control " << id << " should be grey";
    }
    EXPECT_TRUE(LampShows(window, IDC_GPS_LAMP, IDB_LAMP_GREY));
    EXPECT_TRUE(LampShows(window, IDC_TIME_SYNC_LAMP, IDB_LAMP_GREY));
    for (int id : kPanelIds) {
        EXPECT_FALSE(IsEnabled(window, id)) << "panel control " << id;
    }
    EXPECT_FALSE(window.Logic().ShellLink().Worker().IsStarted());
    EXPECT_FALSE(window.Logic().TelnetLink().Worker().IsStarted());
}

// Runs the window modally, lets close end it, and returns the dialog's result; 77 when close did not
// end the dialog within a few seconds.
int RunModalAndClose(CConfigDlg& window, const std::function<void()>& close) {
    constexpr int kNotEnded = 77;
    QTimer::singleShot(0, &window, close);
    QTimer::singleShot(5000, &window, [&window] { window.done(kNotEnded); });
    return window.exec();
}

TEST_F(ConfigDlgWindow, StartsDisconnectedWithItsStartTexts) {
    EXPECT_EQ(m_window.windowTitle(), "VANTREX Configuration");
    EXPECT_EQ(TextOf(m_window, IDC_CONNECT_GROUP), "Connect");
    EXPECT_EQ(TextOf(m_window, IDC_DEVICE_ADDRESS), "192.168.42.7");
    EXPECT_TRUE(ButtonOf(m_window, IDC_CONNECT)->isCheckable());
    EXPECT_EQ(TextOf(m_window, IDC_STATUS_GROUP), "Status");
    EXPECT_EQ(TextOf(m_window, IDC_GPS_CAPTION), "GPS lock");
    EXPECT_EQ(TextOf(m_window, IDC_TIME_SYNC_CAPTION), "Time sync");
    ExpectDisconnected(m_window);

    EXPECT_EQ(TextOf(m_window, IDC_CHANGE_IP_GROUP), "Change IP address");
    EXPECT_EQ(TextOf(m_window, IDC_IP_ADDRESS_LABEL), "IP address");
    EXPECT_EQ(TextOf(m_window, IDC_SUBNET_MASK_LABEL), "Subnet mask");
    EXPECT_EQ(TextOf(m_window, IDC_GATEWAY_LABEL), "Gateway");
    EXPECT_EQ(TextOf(m_window, IDC_APPLY), "Apply");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_IP_ADDRESS), "");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_SUBNET_MASK), "255.255.255.0");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_GATEWAY), "");
    EXPECT_FALSE(IsChecked(m_window, IDC_DHCP));
    for (int id : {IDC_DHCP, IDC_MAC_GROUP, IDC_MAC_ADDRESS, IDC_NEW_MAC_ADDRESS, IDC_MAC_APPLY}) {
        EXPECT_TRUE(IsHidden(m_window, id)) << "control " << id;
    }
    EXPECT_FALSE(IsHidden(m_window, IDC_APPLY));
    EXPECT_EQ(TextOf(m_window, IDC_QUIT), "Close");
    EXPECT_TRUE(IsEnabled(m_window, IDC_QUIT));

    EXPECT_EQ(&m_window.Logic().ActiveLink(), &m_window.Logic().ShellLink());
    EXPECT_TRUE(m_window.Logic().Relay().IsStarted()) << "the relay runs from the end of the initialisation";
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(ConfigDlgWindow, CancelBeforeAnyReportStopsBothLinksWithoutABox) {
    ClickConnect("127.0.4.2");
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connecting);
    EXPECT_EQ(TextOf(m_window, IDC_CONNECT), "Cancel");
    EXPECT_TRUE(IsChecked(m_window, IDC_CONNECT));
    EXPECT_FALSE(IsEnabled(m_window, IDC_DEVICE_ADDRESS));
    EXPECT_EQ(TextOf(m_window, IDC_STATUS_LINE), "Searching for VANTREX device");
    EXPECT_TRUE(m_window.Logic().ShellLink().Worker().IsStarted());
    EXPECT_TRUE(m_window.Logic().TelnetLink().Worker().IsStarted());

    Click(IDC_CONNECT); // no event handled in between: the links' reports are still to come
    ExpectDisconnected(m_window);
    EXPECT_EQ(TextOf(m_window, IDC_DEVICE_ADDRESS), "127.0.4.2");

    // Nothing listens there, so both links may have failed before they were stopped; their reports
    // describe an attempt that is over and must not end it a second time.
    ProcessEventsFor(kSettleMs);
    ExpectDisconnected(m_window);
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(ConfigDlgWindow, TheShellLinkWinsAfterTheTelnetLinkFailedWithoutABox) {
    CSimProcess sim;
    // A slow shell prompt lets the refused telnet link report first.
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.3", {"--slow", "100"}))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.3"));

    EXPECT_EQ(m_window.Logic().TelnetLink().Worker().GetState(), StateConnectFailed)
        << "the telnet link should have failed first";
    EXPECT_EQ(&m_window.Logic().ActiveLink(), &m_window.Logic().ShellLink());
    EXPECT_TRUE(m_window.Logic().ShellLink().Worker().IsStarted());
    EXPECT_FALSE(m_window.Logic().TelnetLink().Worker().IsStarted());
    EXPECT_EQ(TextOf(m_window, IDC_STATUS_LINE), "Connected - Please Wait");
    EXPECT_EQ(TextOf(m_window, IDC_CONNECT), "Disconnect");
    EXPECT_TRUE(IsChecked(m_window, IDC_CONNECT));
    EXPECT_TRUE(IsEnabled(m_window, IDC_CONNECT));
    EXPECT_FALSE(IsEnabled(m_window, IDC_DEVICE_ADDRESS));
    EXPECT_TRUE(IsEnabled(m_window, IDC_STATUS_GROUP));
    for (int id : {IDC_STATUS_FRAME, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION}) {
        EXPECT_TRUE(IsDrawnActive(m_window, id)) << "status control " << id << " should be black";
    }
    EXPECT_FALSE(IsEnabled(m_window, IDC_APPLY)) << "no device time yet";
    EXPECT_TRUE(m_boxes.Boxes().empty());

    Click(IDC_CONNECT);
    ExpectDisconnected(m_window);
    EXPECT_EQ(&m_window.Logic().ActiveLink(), &m_window.Logic().ShellLink())
        << "the last winner stays designated";
    ProcessEventsFor(kSettleMs);
    EXPECT_TRUE(m_boxes.Boxes().empty()) << "a disconnect by the user is no lost connection";
    sim.Stop();
}

TEST_F(ConfigDlgWindow, TypedAddressReachesTheDeviceItNamesOrNone) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.18", {}))) << sim.ErrorOutput();
    // Read the way the socket layer reads it, 018 would be no number and 004 the same 4 by chance.
    SetEditText(IDC_DEVICE_ADDRESS, QStringLiteral(" 127.0.004.018 "));
    Click(IDC_CONNECT);
    ASSERT_TRUE(ProcessEventsUntil(
        [this] { return m_window.Logic().Phase() == ConnectionPhase::Connected || !m_boxes.Boxes().empty(); },
        kDeviceWaitMs));
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected);
    Click(IDC_CONNECT);

    SetEditText(IDC_DEVICE_ADDRESS, QStringLiteral("127.0.4"));
    Click(IDC_CONNECT);
    EXPECT_EQ(m_boxes.Boxes().size(), 1u) << "no device is tried for a text that is no dotted address";
    ExpectDisconnected(m_window);
    sim.Stop();
}

TEST_F(ConfigDlgWindow, BothLinksFailingShowsOneBoxOverTheStillConnectingWindow) {
    ClickConnect("127.0.4.4"); // nothing listens on either port there
    ASSERT_TRUE(ProcessEventsUntil([this] { return !m_boxes.Boxes().empty(); }, kDeviceWaitMs));
    ProcessEventsFor(kSettleMs);

    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    const RecordedBox& box = m_boxes.Boxes()[0];
    EXPECT_EQ(box.text, "Connection attempt failed");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.kind, MessageKind::Error);
    EXPECT_EQ(box.window.phase, ConnectionPhase::Connecting);
    EXPECT_EQ(box.window.connectText, "Cancel");
    EXPECT_FALSE(box.window.addressEnabled);
    EXPECT_EQ(box.window.statusLine, "");
    EXPECT_EQ(box.window.localTimeLine, "");
    ExpectDisconnected(m_window);
}

TEST_F(ConfigDlgWindow, LostConnectionResetsTheWindowBeforeItsBox) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.5"))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.5"));
    ASSERT_TRUE(WaitForDeviceTime());
    SetEditText(IDC_NEW_IP_ADDRESS, "10.0.0.5");
    SetEditText(IDC_NEW_SUBNET_MASK, "255.255.0.0");
    SetEditText(IDC_NEW_GATEWAY, "10.0.0.1");

    sim.Stop();
    ASSERT_TRUE(ProcessEventsUntil([this] { return !m_boxes.Boxes().empty(); }, kDeviceWaitMs));
    ProcessEventsFor(kSettleMs);

    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    const RecordedBox& box = m_boxes.Boxes()[0];
    EXPECT_EQ(box.text, "Connection has been lost");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.kind, MessageKind::Error);
    EXPECT_EQ(box.window.phase, ConnectionPhase::Disconnected) << "the reset comes before the box";
    EXPECT_EQ(box.window.connectText, "Connect");
    EXPECT_FALSE(box.window.connectChecked);
    EXPECT_TRUE(box.window.addressEnabled);
    EXPECT_EQ(box.window.statusLine, "");
    EXPECT_EQ(box.window.localTimeLine, "");

    ExpectDisconnected(m_window);
    EXPECT_EQ(TextOf(m_window, IDC_DEVICE_ADDRESS), "127.0.4.5");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_IP_ADDRESS), "");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_SUBNET_MASK), "255.255.0.0") << "the mask typed last stays";
    EXPECT_EQ(TextOf(m_window, IDC_NEW_GATEWAY), "");
}

TEST_F(ConfigDlgWindow, RepeatedReportsOfTheLinksAreNoLossButAFreshOneIs) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.6"))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.6"));

    // The relay may post one state twice, and the stopped loser's last report may still be queued.
    const StateReport ready = m_window.Logic().ShellLink().Worker().GetReport();
    ASSERT_EQ(ready.state, StateReady);
    QCoreApplication::postEvent(&m_window,
                                new CLinkStateEvent(&m_window.Logic().ShellLink().Worker(), ready));
    QCoreApplication::postEvent(&m_window,
                                new CLinkStateEvent(&m_window.Logic().TelnetLink().Worker(),
                                                    m_window.Logic().TelnetLink().Worker().GetReport()));
    ProcessEventsFor(kSettleMs);
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected);
    EXPECT_TRUE(m_window.Logic().ShellLink().Worker().IsStarted());
    EXPECT_TRUE(m_boxes.Boxes().empty());

    // The same road with a change the active link has not reported before is a loss.
    const StateReport closed{StateLinkClosed, ready.run, static_cast<std::uint16_t>(ready.sequence + 1)};
    QCoreApplication::postEvent(&m_window,
                                new CLinkStateEvent(&m_window.Logic().ShellLink().Worker(), closed));
    ASSERT_TRUE(ProcessEventsUntil([this] { return !m_boxes.Boxes().empty(); }, kDeviceWaitMs));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, "Connection has been lost");
    ExpectDisconnected(m_window);
    sim.Stop();
}

TEST_F(ConfigDlgWindow, ClosingWhileBothLinksConnectReturnsPromptly) {
    CUnansweringListener shellPort("127.0.4.7", kShellPort);
    ASSERT_TRUE(shellPort.IsReady());
    // Without root the telnet port is refused instead, and the shell link alone is still connecting.
    const bool rootly = CanBindTelnetPort();
    std::optional<CUnansweringListener> telnetPort;
    if (rootly) {
        telnetPort.emplace("127.0.4.7", kTelnetPort);
        ASSERT_TRUE(telnetPort->IsReady());
    }

    ClickConnect("127.0.4.7");
    ProcessEventsFor(kSettleMs);
    ASSERT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connecting);
    EXPECT_EQ(m_window.Logic().ShellLink().Worker().GetState(), StateStarting)
        << "the shell link should still be connecting";
    if (rootly) {
        EXPECT_EQ(m_window.Logic().TelnetLink().Worker().GetState(), StateStarting)
            << "the telnet link should still be connecting";
    }

    const auto started = std::chrono::steady_clock::now();
    m_window.Logic().OnClose();
    EXPECT_LT(std::chrono::steady_clock::now() - started, kCloseBound);
    EXPECT_FALSE(m_window.Logic().ShellLink().Worker().IsStarted());
    EXPECT_FALSE(m_window.Logic().TelnetLink().Worker().IsStarted());
    EXPECT_FALSE(m_window.Logic().Relay().IsStarted()) << "the relay ends with the window";
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(ConfigDlgWindow, EnterAndEscDoNothing) {
    // Were Enter to press Connect, it must not reach the default address.
    SetEditText(IDC_DEVICE_ADDRESS, "127.0.4.8");
    m_window.show();
    m_window.setResult(42);
    QWidget* address = m_window.Controls().Item(IDC_DEVICE_ADDRESS);
    for (QWidget* target : {address, static_cast<QWidget*>(&m_window)}) {
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &release);
            ProcessEventsFor(50);
            EXPECT_TRUE(m_window.isVisible()) << "key " << key;
            EXPECT_EQ(m_window.result(), 42) << "key " << key;
            EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Disconnected) << "key " << key;
        }
    }
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(ConfigDlgWindow, QuitButtonEndsTheDialogWithZeroAndStopsTheRelay) {
    EXPECT_EQ(RunModalAndClose(m_window, [this] { Click(IDC_QUIT); }), 0);
    EXPECT_FALSE(m_window.Logic().Relay().IsStarted());
    EXPECT_FALSE(m_window.isVisible());
}

TEST_F(ConfigDlgWindow, TitleBarCloseEndsTheDialogWithZeroAndStopsTheRelay) {
    EXPECT_EQ(RunModalAndClose(m_window, [this] { m_window.close(); }), 0);
    EXPECT_FALSE(m_window.Logic().Relay().IsStarted());
    EXPECT_FALSE(m_window.isVisible());
}

} // namespace
