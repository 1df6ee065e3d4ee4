// The guarded address change against a simulated device that follows its address: the window waits
// through the restart and connects at the new address, times out, or is cancelled or closed meanwhile.
// Loopback addresses 127.0.5.1 to 127.0.5.9 and 127.0.5.11 (127.0.5.10 belongs to a benchmark).
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/support/SimProcess.h"

#include <QAbstractButton>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Downtime, retry interval, the link's 1 s pacing and the connect race, with room for a busy machine.
constexpr int kFollowLimitMs = 20000;

using ConfigDlgRestart = CWindowTest;

// Options of a sim at address on one port that comes back at the address it is given.
std::vector<std::string> FollowingSim(const char* address, bool telnet, const char* downtime) {
    return {"--address",         address,      "--shell-port", telnet ? "0" : "5316", "--telnet-port",
            telnet ? "23" : "0", "--downtime", downtime,       "--follow-address"};
}

class ConfigDlgRestartFollow : public CWindowTest {
protected:
    // Connects to from, waits for the device time and confirms the change to to.
    void ConfirmChange(const char* from, const char* to) {
        ASSERT_TRUE(ConnectTo(from));
        ASSERT_TRUE(WaitForDeviceTime());
        SetEditText(IDC_NEW_IP_ADDRESS, to);
        SetEditText(IDC_NEW_SUBNET_MASK, "255.0.0.0");
        SetEditText(IDC_NEW_GATEWAY, "127.0.0.1");
        m_boxes.QueueAnswer(MessageAnswer::Yes);
        Click(IDC_APPLY);
    }

    // Waits until the device has restarted and the window counts down at the new address.
    bool WaitForRestartWait() {
        return ProcessEventsUntil(
            [this] { return m_window.Logic().RestartFollowPhase() == RestartPhase::Waiting; }, kDeviceWaitMs);
    }

    void ExpectDisconnectedAt(const char* address) {
        EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Disconnected);
        EXPECT_EQ(m_window.Logic().RestartFollowPhase(), RestartPhase::Idle);
        EXPECT_EQ(TextOf(m_window, IDC_DEVICE_ADDRESS), address);
        EXPECT_TRUE(IsEnabled(m_window, IDC_DEVICE_ADDRESS));
        EXPECT_EQ(TextOf(m_window, IDC_CONNECT), "Connect");
        EXPECT_FALSE(ButtonOf(m_window, IDC_CONNECT)->isChecked());
        EXPECT_FALSE(m_window.Logic().ShellLink().Worker().IsStarted());
        EXPECT_FALSE(m_window.Logic().TelnetLink().Worker().IsStarted());
    }
};

struct FollowRoute {
    const char* name;
    bool telnet;
};

class ConfigDlgRestartRoute : public ConfigDlgRestartFollow,
                              public testing::WithParamInterface<FollowRoute> {};

TEST_P(ConfigDlgRestartRoute, EndsConnectedAtTheNewAddressWithoutAnErrorAndNoApplyMeanwhile) {
    if (GetParam().telnet && !CanBindTelnetPort()) {
        GTEST_SKIP() << "a sim on the telnet port 23 needs root";
    }
    const char* from = GetParam().telnet ? "127.0.5.3" : "127.0.5.1";
    const char* to = GetParam().telnet ? "127.0.5.4" : "127.0.5.2";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(FollowingSim(from, GetParam().telnet, "1"))) << sim.ErrorOutput();
    ConfirmChange(from, to);
    EXPECT_FALSE(IsEnabled(m_window, IDC_APPLY)) << "a second change could be sent";

    bool applyEnabled = false;
    bool countedDown = false;
    ASSERT_TRUE(ProcessEventsUntil(
        [&] {
            applyEnabled = applyEnabled || IsEnabled(m_window, IDC_APPLY);
            countedDown =
                countedDown ||
                (TextOf(m_window, IDC_STATUS_LINE).startsWith(QString("Restarting at ") + to + " - ") &&
                 TextOf(m_window, IDC_CONNECT) == "Cancel");
            return countedDown && m_window.Logic().Phase() == ConnectionPhase::Connected;
        },
        kFollowLimitMs))
        << "counted down " << countedDown << ", connection phase "
        << static_cast<int>(m_window.Logic().Phase()) << ", follow-up phase "
        << static_cast<int>(m_window.Logic().RestartFollowPhase()) << ", status line '"
        << TextOf(m_window, IDC_STATUS_LINE).toStdString() << "', sim log: " << sim.ReadLog().lines.size()
        << " lines, " << sim.ReadLog().failures.size() << " failures; " << sim.ErrorOutput();
    EXPECT_FALSE(applyEnabled) << "Apply came back before the device answered at its new address";
    EXPECT_TRUE(countedDown);
    EXPECT_EQ(TextOf(m_window, IDC_DEVICE_ADDRESS), to);
    EXPECT_EQ(m_window.Logic().RestartFollowPhase(), RestartPhase::Idle);
    EXPECT_EQ(&m_window.Logic().ActiveLink(),
              GetParam().telnet ? &m_window.Logic().TelnetLink() : &m_window.Logic().ShellLink());

    ASSERT_TRUE(WaitForDeviceTime()) << "the simulated clock never showed at the new address";
    EXPECT_TRUE(TextOf(m_window, IDC_STATUS_LINE).contains("UTC"))
        << TextOf(m_window, IDC_STATUS_LINE).toStdString();
    EXPECT_EQ(TextOf(m_window, IDC_CONNECT), "Disconnect");
    ASSERT_EQ(m_boxes.Boxes().size(), 1u) << "only the confirmation";
    EXPECT_EQ(m_boxes.Boxes()[0].kind, MessageKind::Confirm);
    ASSERT_EQ(sim.ReadLog().addressChanges.size(), 1u);
    EXPECT_EQ(sim.ReadLog().addressChanges[0].ip, to);
    sim.Stop();
}

INSTANTIATE_TEST_SUITE_P(Device, ConfigDlgRestartRoute,
                         testing::Values(FollowRoute{"ShellPort", false}, FollowRoute{"TelnetPort", true}),
                         [](const testing::TestParamInfo<FollowRoute>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ConfigDlgRestartFollow, ADeviceThatNeverComesBackGivesOneTimeOutBoxThenTheDisconnectedState) {
    m_window.Logic().SetRestartEnvironment(LoopbackRestartEnvironment({.wait = 3s, .retryInterval = 500ms}));
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(FollowingSim("127.0.5.5", false, "60"))) << sim.ErrorOutput();
    ConfirmChange("127.0.5.5", "127.0.5.6");
    ASSERT_TRUE(WaitForRestartWait());
    sim.Stop();

    ASSERT_TRUE(ProcessEventsUntil([this] { return m_boxes.Boxes().size() >= 2; }, kFollowLimitMs));
    ProcessEventsFor(1500); // several retry intervals: no further box, no further try
    const std::vector<RecordedBox>& boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "The device did not answer at 127.0.5.6 within 2 minutes.");
    EXPECT_EQ(boxes[1].caption, "Error");
    EXPECT_EQ(boxes[1].kind, MessageKind::Error);
    ExpectDisconnectedAt("127.0.5.6");
    EXPECT_EQ(TextOf(m_window, IDC_STATUS_LINE), "");
}

TEST_F(ConfigDlgRestartFollow, CancelDuringTheWaitStopsEveryTryAtOnce) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(FollowingSim("127.0.5.7", false, "60"))) << sim.ErrorOutput();
    ConfirmChange("127.0.5.7", "127.0.5.8");
    ASSERT_TRUE(WaitForRestartWait());
    ProcessEventsFor(300);

    const Clock::time_point start = Clock::now();
    Click(IDC_CONNECT);
    EXPECT_LT(Clock::now() - start, 1s); // the promise is 100 ms; a busy machine gets room here
    ExpectDisconnectedAt("127.0.5.8");
    ProcessEventsFor(2500); // past the next try's turn
    ExpectDisconnectedAt("127.0.5.8");
    EXPECT_EQ(m_boxes.Boxes().size(), 1u) << "only the confirmation";
    sim.Stop();
}

TEST_F(ConfigDlgRestartFollow, ClosingDuringTheWaitIsPromptAndStartsNoFurtherTry) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(FollowingSim("127.0.5.9", false, "60"))) << sim.ErrorOutput();
    ConfirmChange("127.0.5.9", "127.0.5.11");
    ASSERT_TRUE(WaitForRestartWait());

    const Clock::time_point start = Clock::now();
    m_window.Logic().OnClose();
    EXPECT_LT(Clock::now() - start, 1s);
    ProcessEventsFor(2500);
    EXPECT_FALSE(m_window.Logic().ShellLink().Worker().IsStarted());
    EXPECT_FALSE(m_window.Logic().TelnetLink().Worker().IsStarted());
    EXPECT_EQ(m_window.Logic().RestartFollowPhase(), RestartPhase::Idle);
    EXPECT_EQ(m_boxes.Boxes().size(), 1u) << m_boxes.Boxes().back().text;
    sim.Stop();
}

} // namespace
