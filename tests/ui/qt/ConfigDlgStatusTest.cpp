// The live status display against the simulated device: time lines, version line, lamps and the
// panel that follows the device time. Loopback addresses 127.0.4.20 to 127.0.4.39, one per test.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TimeZoneScope.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>

#include <string>
#include <utility>

namespace {

using ConfigDlgStatus = CWindowTest;

constexpr const char* kPleaseWait = "Connected - Please Wait";

// Waits until the status line shows something other than the waiting text: the first device time.
bool WaitForFirstTimeLine(const CConfigDlg& window) {
    return ProcessEventsUntil(
        [&window] {
            const QString line = TextOf(window, IDC_STATUS_LINE);
            return !line.isEmpty() && line != kPleaseWait;
        },
        kDeviceWaitMs);
}

// What a screen reader reads of a control of the window.
// An editable drop-down is read where the focus goes, in its edit.
std::string AccessibleText(const CConfigDlg& window, int id, QAccessible::Text text) {
    QWidget* item = window.Controls().Item(id);
    if (const auto* combo = qobject_cast<QComboBox*>(item);
        combo != nullptr && combo->lineEdit() != nullptr) {
        item = combo->lineEdit();
    }
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(item);
    return control != nullptr ? control->text(text).toStdString() : "no accessible interface";
}

const char* LampName(const CConfigDlg& window, int lampId) {
    for (const auto& [bitmapId, name] : {std::pair{IDB_LAMP_GREEN, "green"}, std::pair{IDB_LAMP_RED, "red"},
                                         std::pair{IDB_LAMP_GREY, "grey"}}) {
        if (LampShows(window, lampId, bitmapId)) {
            return name;
        }
    }
    return "no lamp bitmap";
}

TEST_F(ConfigDlgStatus, ShowsTheFrozenDeviceTimeInUtcAndInTheLocalZone) {
    // India has no daylight saving, so the offset is the same at every instant.
    CTimeZoneScope zone("IST-5:30");
    CSimProcess sim;
    // 22:00:00 UTC on the last day of 2020 is already 2021 in the local zone.
    ASSERT_TRUE(
        sim.Start(ShellOnlySim("127.0.4.20", {"--time", "1609452000", "--freeze", "--firmware", "3.0.7"})))
        << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.20"));
    EXPECT_EQ(TextOf(m_window, IDC_STATUS_LINE), kPleaseWait);
    EXPECT_EQ(TextOf(m_window, IDC_LOCAL_TIME_LINE), "");
    EXPECT_EQ(TextOf(m_window, IDC_VERSION_LINE), "");
    EXPECT_FALSE(IsEnabled(m_window, IDC_APPLY));

    ASSERT_TRUE(WaitForFirstTimeLine(m_window));
    // The shown time runs on from the last reading, so the first line may already be a second later.
    const QString utc = TextOf(m_window, IDC_STATUS_LINE);
    const QString local = TextOf(m_window, IDC_LOCAL_TIME_LINE);
    if (utc == "22:00:00    31 December 2020    UTC") {
        EXPECT_EQ(local, "03:30:00    01 January 2021    Local");
    } else {
        EXPECT_EQ(utc, "22:00:01    31 December 2020    UTC");
        EXPECT_EQ(local, "03:30:01    01 January 2021    Local");
    }
    EXPECT_EQ(TextOf(m_window, IDC_VERSION_LINE), "Version 3.0.7");

    // The first device time enables the panel in the same tick; the DHCP box stays hidden and unticked.
    for (int id : {IDC_CHANGE_IP_GROUP, IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_NEW_GATEWAY,
                   IDC_IP_ADDRESS_LABEL, IDC_SUBNET_MASK_LABEL, IDC_GATEWAY_LABEL, IDC_APPLY}) {
        EXPECT_TRUE(IsEnabled(m_window, id)) << "panel control " << id;
    }
    EXPECT_TRUE(IsHidden(m_window, IDC_DHCP));
    EXPECT_TRUE(m_boxes.Boxes().empty());
    sim.Stop();
}

TEST_F(ConfigDlgStatus, UnassignedMacAddressReplacesTheTimeAndGreysTheGpsLamp) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.21", {"--letter", "M"}))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.21"));
    ASSERT_TRUE(WaitForFirstTimeLine(m_window));

    EXPECT_EQ(TextOf(m_window, IDC_STATUS_LINE), "MAC address not assigned");
    EXPECT_EQ(TextOf(m_window, IDC_LOCAL_TIME_LINE), "") << "the local line keeps what it showed";
    EXPECT_TRUE(LampShows(m_window, IDC_GPS_LAMP, IDB_LAMP_GREY)) << LampName(m_window, IDC_GPS_LAMP);
    EXPECT_TRUE(IsEnabled(m_window, IDC_APPLY)) << "the device has reported a time";
    // A screen reader hears each lamp's state, and what its tooltip says, without the mouse.
    EXPECT_EQ(AccessibleText(m_window, IDC_GPS_LAMP, QAccessible::Name), "GPS lock lamp: grey, not read");
    EXPECT_EQ(AccessibleText(m_window, IDC_TIME_SYNC_LAMP, QAccessible::Description),
              m_window.Controls().Item(IDC_TIME_SYNC_LAMP)->toolTip().toStdString());
    EXPECT_FALSE(AccessibleText(m_window, IDC_TIME_SYNC_LAMP, QAccessible::Description).empty());
    sim.Stop();
}

TEST_F(ConfigDlgStatus, ScreenReadersHearTheEditsByTheirLabelsAndConnectAsAPushButton) {
    for (const auto& [id, name] :
         {std::pair{IDC_DEVICE_ADDRESS, "Device address"}, std::pair{IDC_NEW_IP_ADDRESS, "IP address"},
          std::pair{IDC_NEW_SUBNET_MASK, "Subnet mask"}, std::pair{IDC_NEW_GATEWAY, "Gateway"},
          std::pair{IDC_CONNECT, "Connect"}, std::pair{IDC_GPS_LAMP, "GPS lock lamp: grey, not read"}}) {
        EXPECT_EQ(AccessibleText(m_window, id, QAccessible::Name), name);
    }
    QAccessibleInterface* connect =
        QAccessible::queryAccessibleInterface(m_window.Controls().Item(IDC_CONNECT));
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(connect->role(), QAccessible::Button);
    EXPECT_FALSE(connect->state().checkable);
}

TEST_F(ConfigDlgStatus, PanelFollowsTheDeviceTimeAndKeepsItsTexts) {
    CSimProcess sim;
    // The second of the time readings, two seconds after the first, cannot be read.
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.26", {"--unreadable-getdate", "2"}))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.26"));
    ASSERT_TRUE(WaitForDeviceTime());
    ASSERT_NE(TextOf(m_window, IDC_LOCAL_TIME_LINE), "");
    SetEditText(IDC_NEW_IP_ADDRESS, "10.0.0.5");
    SetEditText(IDC_NEW_GATEWAY, "10.0.0.1");

    ASSERT_TRUE(ProcessEventsUntil([this] { return !IsEnabled(m_window, IDC_APPLY); }, kDeviceWaitMs));
    EXPECT_EQ(TextOf(m_window, IDC_STATUS_LINE), kPleaseWait);
    EXPECT_EQ(TextOf(m_window, IDC_LOCAL_TIME_LINE), "");
    for (int id : {IDC_CHANGE_IP_GROUP, IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_NEW_GATEWAY}) {
        EXPECT_FALSE(IsEnabled(m_window, id)) << "panel control " << id;
    }
    EXPECT_EQ(TextOf(m_window, IDC_NEW_IP_ADDRESS), "10.0.0.5");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_SUBNET_MASK), "255.255.255.0");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_GATEWAY), "10.0.0.1");
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected)
        << "an unreadable time is no lost connection";

    // The next reading is whole again.
    ASSERT_TRUE(WaitForDeviceTime());
    EXPECT_TRUE(IsEnabled(m_window, IDC_NEW_IP_ADDRESS));
    EXPECT_TRUE(TextOf(m_window, IDC_STATUS_LINE).endsWith("    UTC"));
    EXPECT_TRUE(m_boxes.Boxes().empty());
    sim.Stop();
}

TEST_F(ConfigDlgStatus, VersionLineShowsTheLongestVersionWhole) {
    // The longest version the dialogue keeps, in the widest characters a version realistically has.
    constexpr const char* kLongestVersion = "12.4.10-20190312";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.27", {"--firmware", kLongestVersion}))) << sim.ErrorOutput();
    const QRect narrow = m_window.Controls().Item(IDC_VERSION_LINE)->geometry();
    ASSERT_TRUE(ConnectTo("127.0.4.27"));
    ASSERT_TRUE(
        ProcessEventsUntil([this] { return !TextOf(m_window, IDC_VERSION_LINE).isEmpty(); }, kDeviceWaitMs));
    ASSERT_EQ(TextOf(m_window, IDC_VERSION_LINE), QString("Version ") + kLongestVersion);

    const int wholeInk = UnclippedInkWidth(m_window, IDC_VERSION_LINE);
    ASSERT_GT(wholeInk, narrow.width()) << "the text should need more than the line's usual width";
    EXPECT_EQ(RenderedInkWidth(m_window, IDC_VERSION_LINE), wholeInk);
    const QRect wide = m_window.Controls().Item(IDC_VERSION_LINE)->geometry();
    EXPECT_EQ(wide.right(), narrow.right());
    EXPECT_EQ(wide.bottom(), narrow.bottom());
    sim.Stop();
}

// The month, and with it the day, is the served time's, which is this PC's: only the text's fixed part is
// the window's to check here.
TEST_F(ConfigDlgStatus, LeapSecondAnnouncedByTheTimeServiceShowsUnderTheVersion) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.28", {"--ntp-port", "123", "--ntp-leap", "1"})))
        << sim.ErrorOutput();
    const QRect versionAlone = m_window.Controls().Item(IDC_VERSION_LINE)->geometry();
    const QRect lastRow = m_window.Controls().Item(IDC_TIME_SYNC_CAPTION)->geometry();
    ASSERT_TRUE(ConnectTo("127.0.4.28"));
    ASSERT_TRUE(
        ProcessEventsUntil([this] { return !TextOf(m_window, IDC_LEAP_LINE).isEmpty(); }, kDeviceWaitMs));
    EXPECT_TRUE(TextOf(m_window, IDC_LEAP_LINE).startsWith("Leap second: 23:59:60 UTC on "));
    const QRect leap = m_window.Controls().Item(IDC_LEAP_LINE)->geometry();
    const QRect version = m_window.Controls().Item(IDC_VERSION_LINE)->geometry();
    EXPECT_EQ(version.bottom(), leap.top() - 1);
    EXPECT_GT(leap.top(), lastRow.bottom()) << "the line has room of its own, under the rows";
    EXPECT_EQ(m_window.Controls().Item(IDC_TIME_SYNC_CAPTION)->geometry(), lastRow);

    Click(IDC_CONNECT);
    EXPECT_EQ(TextOf(m_window, IDC_LEAP_LINE), "");
    EXPECT_EQ(m_window.Controls().Item(IDC_VERSION_LINE)->geometry(), versionAlone);
    sim.Stop();
}

// One combination of the device's GPS letter and system peer, and the lamps it must light.
struct LampCase {
    const char* address;
    const char* letter;
    const char* systemPeer;
    int gpsBitmap;
    int timeSyncBitmap;
};

class ConfigDlgLamps : public CWindowTest, public testing::WithParamInterface<LampCase> {};

TEST_P(ConfigDlgLamps, FollowTheGpsLetterAndTheSystemPeerWithTheProblemsAsTips) {
    const LampCase& lamps = GetParam();
    CSimProcess sim;
    ASSERT_TRUE(
        sim.Start(ShellOnlySim(lamps.address, {"--letter", lamps.letter, "--system-peer", lamps.systemPeer})))
        << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo(lamps.address));

    // The peer table is read one second after the time, so both lamps settle after about 3 s.
    const auto gpsTip = [this] { return m_window.Controls().Item(IDC_GPS_LAMP)->toolTip(); };
    const bool settled = ProcessEventsUntil(
        [&] {
            return LampShows(m_window, IDC_GPS_LAMP, lamps.gpsBitmap) &&
                   LampShows(m_window, IDC_TIME_SYNC_LAMP, lamps.timeSyncBitmap) &&
                   gpsTip().contains("GPS not locked") == (lamps.gpsBitmap == IDB_LAMP_RED);
        },
        kDeviceWaitMs);
    EXPECT_TRUE(settled) << "GPS lamp " << LampName(m_window, IDC_GPS_LAMP) << ", time-sync lamp "
                         << LampName(m_window, IDC_TIME_SYNC_LAMP) << ", GPS tip " << gpsTip().toStdString();
    EXPECT_TRUE(TextOf(m_window, IDC_STATUS_LINE).endsWith("    UTC"))
        << TextOf(m_window, IDC_STATUS_LINE).toStdString();
    sim.Stop();
}

INSTANTIATE_TEST_SUITE_P(Device, ConfigDlgLamps,
                         testing::Values(LampCase{"127.0.4.22", "A", "1", IDB_LAMP_GREEN, IDB_LAMP_GREEN},
                                         LampCase{"127.0.4.23", "V", "2", IDB_LAMP_RED, IDB_LAMP_GREEN},
                                         LampCase{"127.0.4.24", "A", "3", IDB_LAMP_GREEN, IDB_LAMP_RED},
                                         LampCase{"127.0.4.25", "V", "0", IDB_LAMP_RED, IDB_LAMP_RED}),
                         [](const testing::TestParamInfo<LampCase>& info) {
                             return std::string("Letter") + info.param.letter + "Peer" +
                                    info.param.systemPeer;
                         });

} // namespace
