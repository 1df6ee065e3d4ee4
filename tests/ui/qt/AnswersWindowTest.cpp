// The device's answers window against the simulated device: opened with Ctrl+E once connected, it shows
// the link's exchanges as they come (a getdate with the device time read from it), the peer table with
// its tally codes and the device's claim, and Copy all puts it all on the clipboard. Loopback address
// 127.0.145.1.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/support/SimProcess.h"
#include "ui/qt/AnswersDlg.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

namespace {

constexpr const char* kAddress = "127.0.145.1";
constexpr int kCommandColumn = 2;
constexpr int kReadColumn = 3;

const QTreeWidget* List(const CAnswersDlg& answers, int id) {
    return static_cast<const QTreeWidget*>(answers.Controls().Item(id));
}

// Whether the exchange list shows a getdate whose device time was read.
bool ShowsReadGetdate(const CAnswersDlg& answers) {
    const QTreeWidget* list = List(answers, IDC_ANSWERS_EXCHANGES);
    for (int index = 0; index < list->topLevelItemCount(); ++index) {
        const QTreeWidgetItem* row = list->topLevelItem(index);
        if (row->text(kCommandColumn) == QStringLiteral("getdate") &&
            row->text(kReadColumn).startsWith(QStringLiteral("Device time "))) {
            return true;
        }
    }
    return false;
}

class AnswersWindow : public CWindowTest {
protected:
    void SetUp() override {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }
};

TEST_F(AnswersWindow, CtrlEShowsTheExchangesThePeerTableAndCopiesThem) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim(kAddress))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo(kAddress));
    QTest::keyClick(&m_window, Qt::Key_E, Qt::ControlModifier);
    CAnswersDlg* answers = m_window.AnswersWindow();
    ASSERT_NE(answers, nullptr);
    EXPECT_TRUE(answers->isVisible());

    EXPECT_TRUE(ProcessEventsUntil([answers] { return ShowsReadGetdate(*answers); }, kDeviceWaitMs));
    EXPECT_TRUE(ProcessEventsUntil(
        [answers] { return List(*answers, IDC_ANSWERS_PEERS)->topLevelItemCount() > 0; }, kDeviceWaitMs));
    const auto* deviceClaim = static_cast<const QLabel*>(answers->Controls().Item(IDC_ANSWERS_NTP_DEVICE));
    EXPECT_TRUE(deviceClaim->text().startsWith(QStringLiteral("The device's claim: synchronised to ")))
        << deviceClaim->text().toStdString();
    // With nothing selected the newest answer shows, its line ends escaped.
    const auto* answer = static_cast<const QPlainTextEdit*>(answers->Controls().Item(IDC_ANSWERS_ANSWER));
    EXPECT_TRUE(answer->toPlainText().contains(QStringLiteral("\\x0a")))
        << answer->toPlainText().toStdString();

    QGuiApplication::clipboard()->clear();
    static_cast<QAbstractButton*>(answers->Controls().Item(IDC_ANSWERS_COPY))->click();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(QStringLiteral("\tgetdate\tDevice time "))) << copied.toStdString();
    EXPECT_TRUE(copied.contains(QStringLiteral("\tsystem peer\t"))) << copied.toStdString();

    static_cast<QAbstractButton*>(answers->Controls().Item(IDC_ANSWERS_CLOSE))->click();
    EXPECT_FALSE(answers->isVisible());
}

} // namespace
