// vantrex-config.exe under Wine against native simulated devices (FixtureSims.txt): connected, it shows
// the device's time and firmware and holds its GDI objects; a text that is no address reaches no device;
// an invalid new address reaches the device neither; the focus stays off the buttons when Connect disables
// the address edit, whether the window is in front or not; the Find dialog, opened from the system menu,
// lists the device of a loopback /28 (127.0.174.16/28) and a double-click on it connects the window.
#include "WindowProbe.h"

#include "resources/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using std::chrono::milliseconds;

// Connecting, logging in and the second time answer take about 2 s; Wine and a busy machine more.
constexpr milliseconds kConnectTimeout{30000};
// The message box's text control, as Windows numbers it.
constexpr int kMessageBoxTextId = 0xFFFF;
// Long enough for a GDI object lost per refresh (four a second) to show as dozens, and one lost per
// time answer (one every two seconds at most) as more than the slack.
constexpr milliseconds kConnectedWatch{20000};
constexpr DWORD kGdiObjectsSlack = 8;

bool Contains(const std::optional<std::wstring>& text, const std::wstring& part) {
    return text && text->find(part) != std::wstring::npos;
}

std::string SimLog(const char* address) {
    std::ifstream log(std::string("Z:") + VANTREX_UI_SIM_FOLDER + "/" + address + ".log");
    std::ostringstream text;
    text << log.rdbuf();
    return text.str();
}

// The window that has the keyboard focus in the thread of window.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// Whether focus is on the address box, which as a drop-down gives it to its own edit.
bool IsInAddressBox(HWND window, HWND focus) {
    HWND address = GetDlgItem(window, IDC_DEVICE_ADDRESS);
    return focus != nullptr && (focus == address || IsChild(address, focus));
}

void PressButton(HWND window, int id) {
    PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// Whether window is in front, answering this thread's share of an activation change first.
bool IsForeground(HWND window) {
    PumpMessages();
    return GetForegroundWindow() == window;
}

// A window of this program that takes the activation from the window under test, as another program
// in front would.
class COtherProgramWindow {
public:
    COtherProgramWindow()
        : m_hwnd(CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~COtherProgramWindow() {
        DestroyWindow(m_hwnd);
        PumpMessages();
    }
    COtherProgramWindow(const COtherProgramWindow&) = delete;
    COtherProgramWindow& operator=(const COtherProgramWindow&) = delete;
    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

TEST(ConnectedWindow, ShowsTheDeviceTimeAndFirmwareUntilDisconnected) {
    // The device's clock started at 12:00:00 UTC on 7 December 2026 with the fixture, minutes before this
    // test when the tests before it took their time: the hour and the date are the device's.
    CConfigProcess program(L"127.0.46.1");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    PressButton(window, IDC_CONNECT);

    EXPECT_TRUE(WaitUntil(
        [window] {
            const std::optional<std::wstring> line = ControlText(window, IDC_STATUS_LINE);
            return Contains(line, L"12:") && Contains(line, L"07 December 2026") && Contains(line, L"UTC");
        },
        kConnectTimeout))
        << "status line: " << testing::PrintToString(ControlText(window, IDC_STATUS_LINE));
    EXPECT_TRUE(WaitUntil([window] { return Contains(ControlText(window, IDC_VERSION_LINE), L"3.1.4-win"); },
                          kConnectTimeout));
    EXPECT_EQ(ControlText(window, IDC_CONNECT), L"Disconnect");
    std::printf("working set while connected: %zu KiB\n", program.WorkingSetBytes() / 1024);

    PressButton(window, IDC_CONNECT);
    EXPECT_TRUE(
        WaitUntil([window] { return ControlText(window, IDC_CONNECT) == L"Connect"; }, kConnectTimeout));
    EXPECT_EQ(ControlText(window, IDC_STATUS_LINE), L"");
    EXPECT_EQ(ControlText(window, IDC_VERSION_LINE), L"");

    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectExitStatusZero(program);
}

TEST(ConnectedWindow, ATextThatIsNoAddressFailsAndReachesNoDevice) {
    // A reading that stopped at the first letter would connect to 127.0.46.2, where a device listens.
    CConfigProcess program(L"127.0.46.2x --connect");
    ASSERT_NE(program.WaitForWindow(kConfigWindowTitle, kWindowTimeout), nullptr);
    HWND box = program.WaitForWindow(L"Error", kConnectTimeout);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ControlText(box, kMessageBoxTextId), L"Connection attempt failed");
    EXPECT_EQ(SimLog("127.0.46.2"), "");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST(ConnectedWindow, AnInvalidNewAddressGivesItsBoxAndSendsNothing) {
    CConfigProcess program(L"127.0.46.3 --connect");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    // The panel opens once the device has reported its time.
    ASSERT_TRUE(WaitUntil([window] { return IsWindowEnabled(GetDlgItem(window, IDC_APPLY)) != FALSE; },
                          kConnectTimeout));
    SendMessageTimeoutW(GetDlgItem(window, IDC_NEW_IP_ADDRESS), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(L"127.0.46.300"), SMTO_ABORTIFHUNG, 5000, nullptr);
    PressButton(window, IDC_APPLY);
    HWND box = program.WaitForWindow(L"Error", kConnectTimeout);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ControlText(box, kMessageBoxTextId), L"IP address is not valid");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(SimLog("127.0.46.3").find(" address "), std::string::npos);
}

// Connect pressed by the keyboard's shortcut, or by --connect, leaves the focus on the address edit,
// which Connect disables: the window takes the focus, and no button is there for the user's next Space.
TEST(ConnectedWindow, TheFocusedAddressEditHandsTheFocusToTheWindowWhenConnectDisablesIt) {
    for (const bool fromCommandLine : {false, true}) {
        CConfigProcess program(fromCommandLine ? L"127.0.46.1 --connect" : L"127.0.46.1");
        HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
        ASSERT_NE(window, nullptr);
        if (!fromCommandLine) {
            ASSERT_TRUE(IsInAddressBox(window, FocusOf(window))); // the first tab stop
            // The command alone, as the shortcut would give it: a click would move the focus first.
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED), 0);
        }
        EXPECT_TRUE(WaitUntil([window] { return ControlText(window, IDC_CONNECT) == L"Disconnect"; },
                              kConnectTimeout))
            << (fromCommandLine ? "--connect" : "posted command");
        EXPECT_EQ(FocusOf(window), window) << (fromCommandLine ? "--connect" : "posted command");
    }
}

TEST(ConnectedWindow, TheFocusedAddressEditDisabledBehindAnotherWindowLeavesTheFocusToTheWindow) {
    CConfigProcess program(L"127.0.46.5");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    HWND addressEdit = GetDlgItem(window, IDC_DEVICE_ADDRESS);
    ASSERT_TRUE(WaitUntil([window] { return IsInAddressBox(window, FocusOf(window)); }, kWindowTimeout));
    COtherProgramWindow other;
    ASSERT_NE(other.Get(), nullptr);
    SetForegroundWindow(other.Get());
    ASSERT_TRUE(WaitUntil([&other] { return IsForeground(other.Get()); }, kWindowTimeout));

    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED), 0);
    ASSERT_TRUE(
        WaitUntil([window] { return ControlText(window, IDC_CONNECT) == L"Disconnect"; }, kConnectTimeout));
    ASSERT_FALSE(IsWindowEnabled(addressEdit));
    SetForegroundWindow(window);
    ASSERT_TRUE(
        WaitUntil([window] { return IsForeground(window) && FocusOf(window) != nullptr; }, kWindowTimeout));

    // The window itself, so that Space presses nothing; on the disabled edit the keyboard would be dead.
    wchar_t focusClass[64] = {};
    GetClassNameW(FocusOf(window), focusClass, static_cast<int>(std::size(focusClass)));
    EXPECT_EQ(FocusOf(window), window)
        << "the focus is on a control of class " << testing::PrintToString(std::wstring(focusClass));
}

TEST(ConnectedWindow, HoldsNoMoreGdiObjectsAfterTwentySecondsConnected) {
    CConfigProcess program(L"127.0.46.4 --connect");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([window] { return Contains(ControlText(window, IDC_STATUS_LINE), L"UTC"); },
                          kConnectTimeout));
    const DWORD before = program.GdiObjects();
    if (before == 0) {
        GTEST_SKIP() << "neither GetGuiResources nor the GDI handle table counts the objects here";
    }

    std::this_thread::sleep_for(kConnectedWatch);
    const DWORD after = program.GdiObjects();
    std::printf("GDI objects: %lu once connected, %lu after %lld s\n", static_cast<unsigned long>(before),
                static_cast<unsigned long>(after), static_cast<long long>(kConnectedWatch.count() / 1000));
    EXPECT_LE(after, before + kGdiObjectsSlack);
    EXPECT_EQ(ControlText(window, IDC_CONNECT), L"Disconnect");
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectExitStatusZero(program);
}

// The Find dialog's command in the window's system menu (ConfigDlg.h).
constexpr WPARAM kIdmFindDevices = 0x0030;

TEST(ConnectedWindow, FindListsTheDeviceOfALoopbackNetworkAndADoubleClickConnectsToIt) {
    CConfigProcess program(L"");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, kIdmFindDevices, 0);
    HWND find = program.WaitForWindow(L"Find devices", kWindowTimeout);
    ASSERT_NE(find, nullptr);
    // Typed over the network the box offers, which is this PC's and never searched by a test.
    SendMessageTimeoutW(GetDlgItem(find, IDC_FIND_NETWORK), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(L"127.0.174.16/28"), SMTO_ABORTIFHUNG, 5000, nullptr);
    PressButton(find, IDC_FIND_SEARCH);
    HWND list = GetDlgItem(find, IDC_FIND_LIST);
    // The click is posted: the search has ended once every address is tried and the button reads Search.
    HWND progress = GetDlgItem(find, IDC_FIND_PROGRESS);
    ASSERT_TRUE(WaitUntil(
        [find, progress] {
            return SendMessageW(progress, PBM_GETPOS, 0, 0) == 14 &&
                   ControlText(find, IDC_FIND_SEARCH) == L"Search";
        },
        kConnectTimeout));
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(ControlText(find, IDC_FIND_PROGRESS), L"14 / 14");

    // The first row lies just below the column titles.
    RECT titles{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &titles);
    const LPARAM row = MAKELPARAM(8, titles.bottom - titles.top + 4);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, row);
    PostMessageW(list, WM_LBUTTONUP, 0, row);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, row);
    PostMessageW(list, WM_LBUTTONUP, 0, row);
    EXPECT_TRUE(
        WaitUntil([window] { return ControlText(window, IDC_CONNECT) == L"Disconnect"; }, kConnectTimeout));
    EXPECT_EQ(ControlText(window, IDC_DEVICE_ADDRESS), L"127.0.174.17");

    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectExitStatusZero(program);
}

} // namespace
