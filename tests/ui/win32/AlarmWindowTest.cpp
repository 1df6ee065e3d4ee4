// The Win32 window in this process, so that the test reaches its logic and its notification-area icon,
// against native simulated devices (FixtureSims.txt; a GPS flip schedule counts once per run of the
// fixture): a GPS loss and its recovery come as one balloon each, at once, and the icon's tip names the
// device and its state; an unreadable time answer, an address change whose device answers badly until it
// restarts, and another device after a loss raise none; "Notify me of problems" is read at start,
// switched from the system menu and remembered.
#include "WindowRun.h"

#include "resources/StringTable.h"
#include "resources/resource.h"
#include "runtime/Networking.h"
#include "ui/win32/ConfigDlg.h"
#include "ui/win32/NotifySetting.h"
#include "ui/win32/WideText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The second flip comes 12 s after the window connects.
constexpr milliseconds kAlarmsTimeout{60000};
// How long after the second balloon the test still watches for one that should not come: several
// refreshes, each of which could raise it.
constexpr milliseconds kWatchAfterwards{3000};
// The device is read about once every 2 s; a false alarm would come with the reading after its cause.
constexpr std::size_t kReadingsAfterwards = 2;

bool IsChecked(HWND window, unsigned command) {
    return (GetMenuState(GetSystemMenu(window, FALSE), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

std::wstring StringOf(int id) {
    return Widen(LoadStringResource(id));
}

std::wstring TipOf(const char* deviceState) {
    return StringOf(IDS_WINDOW_TITLE) + L"\n" + Widen(deviceState);
}

void Press(HWND window, int id) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

class AlarmBalloons : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartNetworking());
        // As for a user who never switched them off; another test of this program switches it.
        ASSERT_TRUE(SaveNotifyProblems(true));
        RestartEnvironment environment;
        // The devices restart on loopback, where this PC can follow them.
        environment.localNetworks = [] { return std::vector<Ipv4Network>{{0x7F000001, 0xFF000000}}; };
        m_dialog.Logic().SetRestartEnvironment(environment);
        // In memory: the user's journal would bring back the events of earlier runs.
        m_dialog.Logic().SetDeviceLogEnvironment(DeviceLogEnvironment{});
    }

    // Runs the window connected to address until step, given the window and the readings of its
    // device so far, returns true.
    bool Run(const char* address, const std::function<bool(HWND, std::size_t)>& step, milliseconds timeout) {
        CommandLine connect;
        connect.address = address;
        connect.connect = true;
        return RunWindow(
            m_dialog, connect,
            [this, &step](HWND window) {
                return step(window, m_dialog.Logic().DeviceLog().History().Size());
            },
            timeout);
    }

    CAnsweringBoxes m_boxes;
    CConfigDlg m_dialog{GetModuleHandleW(nullptr), m_boxes};
};

TEST_F(AlarmBalloons, AGpsLossAndItsRecoveryComeAtOnceOneBalloonEachAndTheTipSaysSo) {
    // Every balloon as it came, the first on the step after the shell took it, with the tip then.
    std::vector<CNotifyIcon::Balloon> balloons;
    std::vector<std::wstring> tips;
    std::optional<Clock::time_point> secondSeen;
    const bool done = Run(
        "127.0.164.1",
        [&](HWND, std::size_t) {
            const CNotifyIcon& icon = m_dialog.NotifyIcon();
            while (static_cast<int>(balloons.size()) < icon.BalloonsShown()) {
                balloons.push_back(icon.LastBalloon());
                tips.push_back(icon.Tip());
            }
            if (balloons.size() >= 2 && !secondSeen) {
                secondSeen = Clock::now();
            }
            return secondSeen && Clock::now() - *secondSeen >= kWatchAfterwards;
        },
        kAlarmsTimeout);

    EXPECT_TRUE(done) << "balloons seen: " << balloons.size();
    EXPECT_TRUE(m_boxes.texts.empty()) << m_boxes.texts.front();
    EXPECT_EQ(m_dialog.NotifyIcon().BalloonsShown(), 2);
    ASSERT_EQ(balloons.size(), 2u);
    EXPECT_EQ(balloons[0].title, L"127.0.164.1: GPS lock lost");
    EXPECT_EQ(balloons[0].text, StringOf(IDS_ALARM_GPS_LOST_BODY));
    EXPECT_EQ(balloons[0].icon, static_cast<DWORD>(NIIF_ERROR));
    EXPECT_EQ(balloons[1].title, L"127.0.164.1: GPS lock regained");
    EXPECT_EQ(balloons[1].text, StringOf(IDS_ALARM_GPS_REGAINED_BODY));
    EXPECT_EQ(balloons[1].icon, static_cast<DWORD>(NIIF_INFO));
    // The tip changes with the refresh that raised the balloon or the one after it.
    EXPECT_TRUE(tips[0] == TipOf("127.0.164.1: GPS lock lost") ||
                tips[0] == TipOf("127.0.164.1: GPS locked, time in sync"))
        << Narrow(tips[0]);
    EXPECT_EQ(m_dialog.NotifyIcon().Tip(), TipOf("127.0.164.1: GPS locked, time in sync"));
}

TEST_F(AlarmBalloons, AnUnreadableTimeAnswerRaisesNone) {
    // The third time answer of the connection is unreadable; the fourth reading is the one after it.
    const bool done = Run(
        "127.0.165.2", [](HWND, std::size_t readings) { return readings >= 2 + kReadingsAfterwards; },
        kAlarmsTimeout);
    EXPECT_TRUE(done);
    EXPECT_EQ(m_dialog.NotifyIcon().BalloonsShown(), 0);
    EXPECT_TRUE(m_boxes.texts.empty()) << m_boxes.texts.front();
}

TEST_F(AlarmBalloons, AnAddressChangeWhoseDeviceAnswersBadlyUntilItRestartsRaisesNone) {
    m_boxes.confirmAnswer = MessageAnswer::Yes;
    bool applied = false;
    std::optional<std::size_t> readingsThere;
    const bool done = Run(
        "127.0.165.3",
        [&](HWND window, std::size_t readings) {
            if (!applied) {
                if (!IsWindowEnabled(GetDlgItem(window, IDC_APPLY))) {
                    return false; // the device time is not shown yet
                }
                SetDlgItemTextW(window, IDC_NEW_IP_ADDRESS, L"127.0.165.4");
                SetDlgItemTextW(window, IDC_NEW_SUBNET_MASK, L"255.0.0.0");
                SetDlgItemTextW(window, IDC_NEW_GATEWAY, L"127.0.0.1");
                Press(window, IDC_APPLY);
                applied = true;
                return false;
            }
            const bool there = m_dialog.Logic().Phase() == ConnectionPhase::Connected &&
                               m_dialog.ItemText(IDC_DEVICE_ADDRESS) == "127.0.165.4";
            if (there && !readingsThere) {
                readingsThere = readings;
            }
            return readingsThere && readings >= *readingsThere + kReadingsAfterwards;
        },
        kAlarmsTimeout);
    EXPECT_TRUE(done) << "applied " << applied << ", connected there " << readingsThere.has_value();
    EXPECT_EQ(m_dialog.NotifyIcon().BalloonsShown(), 0) << Narrow(m_dialog.NotifyIcon().LastBalloon().title);
    EXPECT_EQ(m_boxes.texts.size(), 1u) << "the question alone";
}

TEST_F(AlarmBalloons, AnotherDeviceAfterALossHearsNothingOfTheFirst) {
    // The first device closes the connection halfway through its first answer.
    bool switched = false;
    std::wstring tipAfterLoss;
    const bool done = Run(
        "127.0.165.5",
        [&](HWND window, std::size_t readings) {
            if (!switched) {
                if (m_boxes.texts.empty()) {
                    return false;
                }
                tipAfterLoss = m_dialog.NotifyIcon().Tip();
                SetDlgItemTextW(window, IDC_DEVICE_ADDRESS, L"127.0.165.6");
                Press(window, IDC_CONNECT);
                switched = true;
                return false;
            }
            return readings >= 1 + kReadingsAfterwards;
        },
        kAlarmsTimeout);
    EXPECT_TRUE(done);
    EXPECT_EQ(m_boxes.texts, std::vector<std::string>{LoadStringResource(IDS_CONNECTION_LOST)});
    EXPECT_EQ(m_dialog.NotifyIcon().BalloonsShown(), 1);
    EXPECT_EQ(m_dialog.NotifyIcon().LastBalloon().title, L"127.0.165.5: Connection lost");
    EXPECT_EQ(tipAfterLoss, TipOf("127.0.165.5: Connection lost"));
    EXPECT_EQ(m_dialog.NotifyIcon().Tip(), TipOf("127.0.165.6: GPS locked, time in sync"));
}

TEST(NotifySetting, IsReadAtStartSwitchedFromTheSystemMenuAndRemembered) {
    // The second start finds the setting the first saved: it ends on, as for a new user.
    for (const bool atStart : {true, false}) {
        ASSERT_TRUE(SaveNotifyProblems(atStart));
        CAnsweringBoxes boxes;
        CConfigDlg dialog(GetModuleHandleW(nullptr), boxes);
        std::optional<bool> checkedAtStart;
        std::optional<bool> checkedAfter;
        std::optional<bool> alarmsOnAtStart;
        std::optional<bool> alarmsOnAfter;
        const bool done = RunWindow(
            dialog, CommandLine{},
            [&](HWND window) {
                checkedAtStart = IsChecked(window, CConfigDlg::kIdmNotifyProblems);
                alarmsOnAtStart = dialog.Logic().AlarmsOn();
                SendMessageW(window, WM_SYSCOMMAND, CConfigDlg::kIdmNotifyProblems, 0);
                checkedAfter = IsChecked(window, CConfigDlg::kIdmNotifyProblems);
                alarmsOnAfter = dialog.Logic().AlarmsOn();
                return true;
            },
            kWindowTimeout);
        ASSERT_TRUE(done) << "no window";
        EXPECT_EQ(checkedAtStart, atStart);
        EXPECT_EQ(alarmsOnAtStart, atStart);
        EXPECT_EQ(checkedAfter, !atStart);
        EXPECT_EQ(alarmsOnAfter, !atStart);
        EXPECT_EQ(ReadNotifyProblems(), !atStart);
    }
}

} // namespace
