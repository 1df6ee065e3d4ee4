// The Find dialog opened with Ctrl+F from the window against a simulated device in 127.0.174.0/28, loopback
// only: the box's own network is never searched and the bar stays empty until Enter in the box searches
// it, the device is listed, and Connect connects the window to it, which then offers and remembers the
// address; the dialog opened again offers the network searched.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/support/LoopbackGuard.h"
#include "tests/support/SimProcess.h"
#include "ui/qt/ControlText.h"
#include "ui/qt/FindDlg.h"
#include "ui/qt/RecentAddressSetting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

using ConfigDlgFind = CWindowTest;

constexpr char kNetwork[] = "127.0.174.0/28";
constexpr char kSimAddress[] = "127.0.174.1";
// The sim's version answer comes after its 1 s pacing; the refusals at the other addresses come at once.
constexpr int kSearchWaitMs = 20000;

void Press(const CFindDlg& find, int id) {
    static_cast<QAbstractButton*>(find.Controls().Item(id))->click();
}

// Types the loopback network over the offered one, searches it with Enter and connects to the one device
// listed.
void SearchAndConnect(CFindDlg& find) {
    ASSERT_FALSE(find.Logic().Searching()) << "the offered network is searched only on Search";
    const auto* idle = static_cast<const QProgressBar*>(find.Controls().Item(IDC_FIND_PROGRESS));
    EXPECT_LT(idle->minimum(), idle->maximum()) << "a bar of 0 to 0 shows busy";
    EXPECT_EQ(idle->value(), idle->minimum());
    ASSERT_TRUE(IsLoopbackNetwork(kNetwork));
    QWidget* network = find.Controls().Item(IDC_FIND_NETWORK);
    SetControlText(*network, QString::fromLatin1(kNetwork));
    QTest::keyClick(network, Qt::Key_Return);
    ASSERT_TRUE(find.Logic().Searching());
    ASSERT_TRUE(ProcessEventsUntil([&find] { return !find.Logic().Searching(); }, kSearchWaitMs));

    const auto* progress = static_cast<const QProgressBar*>(find.Controls().Item(IDC_FIND_PROGRESS));
    EXPECT_EQ(progress->value(), 14);
    EXPECT_EQ(progress->maximum(), 14);
    auto* list = static_cast<QTreeWidget*>(find.Controls().Item(IDC_FIND_LIST));
    ASSERT_EQ(list->topLevelItemCount(), 1);
    QTreeWidgetItem* device = list->topLevelItem(0);
    EXPECT_EQ(device->text(0).toStdString(), kSimAddress);
    EXPECT_FALSE(device->text(1).isEmpty()) << "the sim's firmware version";
    EXPECT_EQ(device->text(2).toStdString(), "5316");
    list->setCurrentItem(device);
    Press(find, IDC_FIND_CONNECT);
}

TEST_F(ConfigDlgFind, SearchListsTheDeviceAndConnectConnectsTheWindowWhichRemembersIt) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim(kSimAddress)));
    m_window.show();
    // Keys reach only the active window.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    bool driven = false;
    // Looks for the dialog until it runs its own loop, inside the key's handling, and drives it there.
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&driver, &driven] {
        auto* find = qobject_cast<CFindDlg*>(QApplication::activeModalWidget());
        if (find == nullptr) {
            return;
        }
        driver.stop();
        SearchAndConnect(*find);
        driven = true;
        // A failed step leaves the dialog open; closing it lets the test end.
        if (find->isVisible()) {
            find->close();
        }
    });
    driver.start(10);
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_F, Qt::ControlModifier);
    driver.stop();
    ASSERT_TRUE(driven) << "Ctrl+F opened no Find dialog, or it did not end";

    ASSERT_TRUE(ProcessEventsUntil([this] { return m_window.Logic().Phase() == ConnectionPhase::Connected; },
                                   kDeviceWaitMs));
    EXPECT_EQ(TextOf(m_window, IDC_DEVICE_ADDRESS).toStdString(), kSimAddress);
    const auto* address = static_cast<const QComboBox*>(m_window.Controls().Item(IDC_DEVICE_ADDRESS));
    // Most recent first, whatever earlier tests of this run connected to.
    ASSERT_GE(address->count(), 1);
    EXPECT_EQ(address->itemText(0).toStdString(), kSimAddress);
    const std::vector<std::string> remembered = LoadRecentAddresses();
    ASSERT_FALSE(remembered.empty());
    EXPECT_EQ(remembered.front(), kSimAddress);
    EXPECT_TRUE(m_boxes.Boxes().empty());

    QString offered;
    QTimer reopened;
    QObject::connect(&reopened, &QTimer::timeout, [&reopened, &offered] {
        auto* find = qobject_cast<CFindDlg*>(QApplication::activeModalWidget());
        if (find != nullptr) {
            reopened.stop();
            offered = ControlText(*find->Controls().Item(IDC_FIND_NETWORK));
            find->close();
        }
    });
    reopened.start(10);
    m_window.OnFindDevices();
    EXPECT_EQ(offered.toStdString(), kNetwork);
}

} // namespace
