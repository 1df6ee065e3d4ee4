// The device log window against the simulated device, whose GPS lock SIGUSR1 flips: opened with Ctrl+L,
// clear of the main window's status area, it shows the connection, the chart's first point, and the lock
// lost; Ctrl+C copies whole rows; Save as CSV offers the device's name, adds ".csv" and saves the readings
// when asked; a journal that cannot be written is a warning shown whole. Loopback addresses 127.0.176.1
// and 127.0.176.2.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/StringTable.h"
#include "resources/resource.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TemporaryFolder.h"
#include "ui/qt/ChartView.h"
#include "ui/qt/DeviceLogDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr const char* kAddress = "127.0.176.1";

const QTreeWidget* List(const CDeviceLogDlg& log) {
    return static_cast<const QTreeWidget*>(log.Controls().Item(IDC_LOG_EVENTS));
}

// Whether the list shows an event of that code (the details column names it).
bool ListShows(const CDeviceLogDlg& log, const QString& code) {
    constexpr int kDetailsColumn = 4;
    for (int index = 0; index < List(log)->topLevelItemCount(); ++index) {
        if (List(log)->topLevelItem(index)->text(kDetailsColumn).split(QStringLiteral(", ")).contains(code)) {
            return true;
        }
    }
    return false;
}

bool ChartHasPoint(const CDeviceLogDlg& log) {
    const auto* chart = static_cast<const CChartView*>(log.Controls().Item(IDC_LOG_CHART));
    return !chart->LastPlan().offsetLines.empty();
}

std::int64_t AreaOf(const QRect& rect) {
    return rect.isEmpty() ? 0 : std::int64_t{rect.width()} * rect.height();
}

// The least of the status area that a window of size covers anywhere inside the screen's work area,
// found by trying every place: none where the screen has room beside the main window.
std::int64_t LeastCoverOf(const QRect& status, const QSize& size, const QRect& work) {
    std::int64_t least = AreaOf(status);
    for (int y = work.top(); y + size.height() <= work.bottom() + 1; ++y) {
        for (int x = work.left(); x + size.width() <= work.right() + 1; ++x) {
            least = std::min(least, AreaOf(QRect(QPoint(x, y), size).intersected(status)));
        }
    }
    return least;
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class DeviceLogWindow : public CWindowTest {
protected:
    // Keys reach only the active window.
    void SetUp() override {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    // Connects to address and opens the log window with Ctrl+L.
    CDeviceLogDlg* ConnectAndOpenLog(CSimProcess& sim, const char* address) {
        EXPECT_TRUE(sim.Start(ShellOnlySim(address))) << sim.ErrorOutput();
        EXPECT_TRUE(ConnectTo(address));
        QTest::keyClick(&m_window, Qt::Key_L, Qt::ControlModifier);
        return m_window.DeviceLogWindow();
    }

    // Presses Save as CSV and, in the save box, picks the file type type and the name typed (a path);
    // the name the box offered.
    QString SaveAs(CDeviceLogDlg& log, int type, const QString& typed) {
        QString offered;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            driver.stop();
            offered = QFileInfo(box->selectedFiles().value(0)).fileName();
            box->selectNameFilter(QString::fromUtf8(LoadStringResource(type)));
            // The box leaves its name field as it is while that field has the focus, which it may have
            // taken by now.
            if (QWidget* focused = QApplication::focusWidget()) {
                focused->clearFocus();
            }
            box->selectFile(typed);
            // QFileDialog's override, which takes the name typed, is protected; QDialog's is public.
            static_cast<QDialog*>(box)->accept();
        });
        driver.start(10);
        static_cast<QAbstractButton*>(log.Controls().Item(IDC_LOG_SAVE))->click();
        return offered;
    }
};

TEST_F(DeviceLogWindow, CtrlLShowsTheConnectionTheChartAndTheGpsLockLostAndSavesAndCopiesWholeRows) {
    CSimProcess sim;
    CDeviceLogDlg* log = ConnectAndOpenLog(sim, kAddress);
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
    // The offscreen screen (800 x 800) has room on no side: the log window covers the least of the status
    // area that it can.
    const QWidget* status = m_window.Controls().Item(IDC_STATUS_GROUP);
    const QRect statusArea(status->mapToGlobal(QPoint(0, 0)), status->size());
    const QRect work = m_window.screen()->availableGeometry();
    EXPECT_TRUE(work.contains(log->frameGeometry()));
    EXPECT_EQ(AreaOf(log->frameGeometry().intersected(statusArea)),
              LeastCoverOf(statusArea, log->frameGeometry().size(), work));
    EXPECT_EQ(List(*log)->headerItem()->text(0).toStdString(), LoadStringResource(IDS_LOG_COLUMN_SEEN));
    // No warning: nothing for a screen reader to read out.
    EXPECT_FALSE(log->Controls().Item(IDC_LOG_WARNING)->isVisible());
    EXPECT_TRUE(
        ProcessEventsUntil([log] { return ListShows(*log, QStringLiteral("connected")); }, kDeviceWaitMs));
    EXPECT_TRUE(ProcessEventsUntil([log] { return ChartHasPoint(*log); }, kDeviceWaitMs));

    ASSERT_TRUE(sim.Signal(SIGUSR1));
    EXPECT_TRUE(ProcessEventsUntil([log] { return ListShows(*log, QStringLiteral("gps-lock-lost")); },
                                   kDeviceWaitMs));

    // Ctrl+C in the list copies the selected rows whole, one line each, as the Copy button does.
    auto* list = const_cast<QTreeWidget*>(List(*log));
    list->setFocus();
    list->selectAll();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), list->topLevelItemCount());
    for (const QString& line : lines) {
        EXPECT_EQ(line.count(u'\t'), list->columnCount() - 1) << line.toStdString();
    }

    const std::string folder = MakeTemporaryFolder("vantrex-log-save-");
    ASSERT_FALSE(folder.empty());
    const QString offered = SaveAs(*log, IDS_LOG_CSV_READINGS, QString::fromStdString(folder + "/readings"));
    EXPECT_TRUE(offered.startsWith(QString::fromLatin1(kAddress) + u'_') &&
                offered.endsWith(QStringLiteral(".csv")))
        << offered.toStdString();
    EXPECT_EQ(FileText(folder + "/readings.csv").substr(0, 50),
              "time_utc,offset_s,uncertainty_s,gps_lock,time_sync");
    SaveAs(*log, IDS_LOG_CSV_EVENTS, QString::fromStdString(folder + "/events"));
    EXPECT_EQ(FileText(folder + "/events.csv").substr(0, 35), "time_utc,address,severity,code,text");
    EXPECT_TRUE(m_boxes.Boxes().empty());
    std::filesystem::remove_all(folder);
}

TEST_F(DeviceLogWindow, AJournalThatCannotBeWrittenIsAWarningShownWhole) {
    // The journal's folder is a file: nothing can be written below it.
    const std::string folder = MakeTemporaryFolder("vantrex-log-warning-");
    ASSERT_FALSE(folder.empty());
    std::ofstream(folder + "/file") << "not a folder";
    m_window.Logic().SetDeviceLogEnvironment({folder + "/file/journal.jsonl", RealTimeMicros});
    CSimProcess sim;
    CDeviceLogDlg* log = ConnectAndOpenLog(sim, "127.0.176.2");
    ASSERT_NE(log, nullptr);
    const auto* warning = static_cast<const QLabel*>(log->Controls().Item(IDC_LOG_WARNING));
    ASSERT_TRUE(ProcessEventsUntil([warning] { return !warning->text().isEmpty(); }, kDeviceWaitMs));
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(warning->text().endsWith(QStringLiteral("Not a directory"))) << warning->text().toStdString();
    EXPECT_TRUE(warning->wordWrap());
    EXPECT_LE(warning->heightForWidth(warning->width()), warning->height()) << warning->text().toStdString();
    std::filesystem::remove_all(folder);
}

} // namespace
