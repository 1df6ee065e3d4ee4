// The Win32 window in this process, so that the test reaches its logic and its notification-area icon:
// against a native simulated device whose GPS lock flips on a schedule (FixtureSims.txt, 127.0.164.1:
// 15 s and 20 s after the window connects; once per run of the fixture), its alarms come as one balloon
// each; "Notify me of problems" is read at start, switched from the system menu and remembered.
#include "WindowRun.h"

#include "runtime/Networking.h"
#include "ui/AlarmTracker.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"
#include "ui/win32/ConfigDlg.h"
#include "ui/win32/LocalNetworks.h"
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

// The second flip comes 20 s after the window connects.
constexpr milliseconds kAlarmsTimeout{90000};
// How long after the second balloon the test still watches for one that should not come: several
// refreshes, each of which could raise it.
constexpr milliseconds kWatchAfterwards{3000};

bool IsChecked(HWND window, unsigned command) {
    return (GetMenuState(GetSystemMenu(window, FALSE), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

std::wstring StringOf(int id) {
    return Widen(LoadStringResource(id));
}

class AlarmBalloons : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartNetworking());
        // As for a user who never switched them off; another test of this program switches it.
        ASSERT_TRUE(SaveNotifyProblems(true));
    }
};

TEST_F(AlarmBalloons, GpsLockLostThenRegainedGiveOneBalloonEachAndNothingElse) {
    CAnsweringBoxes boxes;
    CConfigDlg dialog(GetModuleHandleW(nullptr), boxes);
    // Each balloon moves the logic's clock on by the quiet time, so that the recovery five seconds after
    // the loss is raised at once rather than a minute after it.
    RestartEnvironment environment;
    environment.localNetworks = LocalNetworks;
    environment.now = [&dialog] {
        return Clock::now() + CAlarmTracker::kQuietTime * dialog.NotifyIcon().BalloonsShown();
    };
    dialog.Logic().SetRestartEnvironment(environment);

    CommandLine connect;
    connect.address = "127.0.164.1";
    connect.connect = true;
    // Every balloon as it came, the first on the step after the shell took it.
    std::vector<CNotifyIcon::Balloon> balloons;
    std::optional<Clock::time_point> secondSeen;
    const bool done = RunWindow(
        dialog, connect,
        [&dialog, &balloons, &secondSeen](HWND) {
            const CNotifyIcon& icon = dialog.NotifyIcon();
            while (static_cast<int>(balloons.size()) < icon.BalloonsShown()) {
                balloons.push_back(icon.LastBalloon());
            }
            if (balloons.size() >= 2 && !secondSeen) {
                secondSeen = Clock::now();
            }
            return secondSeen && Clock::now() - *secondSeen >= kWatchAfterwards;
        },
        kAlarmsTimeout);

    EXPECT_TRUE(done) << "balloons seen: " << balloons.size();
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
    EXPECT_EQ(dialog.NotifyIcon().BalloonsShown(), 2);
    ASSERT_EQ(balloons.size(), 2u);
    EXPECT_EQ(balloons[0].title, L"127.0.164.1: GPS lock lost");
    EXPECT_EQ(balloons[0].text, StringOf(IDS_ALARM_GPS_LOST_BODY));
    EXPECT_EQ(balloons[0].icon, static_cast<DWORD>(NIIF_ERROR));
    EXPECT_EQ(balloons[1].title, L"127.0.164.1: GPS lock regained");
    EXPECT_EQ(balloons[1].text, StringOf(IDS_ALARM_GPS_REGAINED_BODY));
    EXPECT_EQ(balloons[1].icon, static_cast<DWORD>(NIIF_INFO));
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
