// The Devices window of vantrex-config.exe under Wine, opened from the main window's system menu: two
// devices typed as a range are read and their rows take the health rules' state, and the list is kept in
// the registry.
#include "KeptDevices.h"
#include "WindowProbe.h"

#include "resources/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>

namespace {

using std::chrono::milliseconds;

// The Devices window's command in the main window's system menu (ConfigDlg.h).
constexpr WPARAM kIdmDevices = 0x0050;
// A first reading of each device takes a few seconds; Wine and a busy machine more.
constexpr milliseconds kReadTimeout{60000};

std::wstring KeptList() {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, kKeptDevicesKey, L"List", RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return text;
}

// The simulated devices serve no NTP on port 123, which an unprivileged test cannot bind, and the window
// asks there as it asks a real device: read whole, each is critical by the silent-NTP rule, as the status
// program says of it; a device the window failed to read would count as unreachable or not read.
TEST(DevicesWindow, TwoTypedDevicesAreReadAndJudgedAndKept) {
    const CKeptDevicesRemoval removal;
    CConfigProcess program(L"");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, kIdmDevices, 0);
    HWND devices = program.WaitForWindow(L"Devices", kWindowTimeout);
    ASSERT_NE(devices, nullptr);

    SendMessageTimeoutW(GetDlgItem(devices, IDC_DEVICES_ADD_BOX), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(L"127.0.46.70-71"), SMTO_ABORTIFHUNG, 5000, nullptr);
    PostMessageW(GetDlgItem(devices, IDC_DEVICES_ADD), BM_CLICK, 0, 0);
    const auto added = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitUntil(
        [devices] {
            const std::optional<std::wstring> summary = ControlText(devices, IDC_DEVICES_SUMMARY);
            return summary == L"2 devices: 0 OK, 0 warning, 2 critical, 0 unreachable, 0 not read yet";
        },
        kReadTimeout))
        << "summary: " << testing::PrintToString(ControlText(devices, IDC_DEVICES_SUMMARY));
    std::printf(
        "both devices read %lld ms after they were added\n",
        static_cast<long long>(
            std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - added).count()));
    EXPECT_EQ(SendMessageW(GetDlgItem(devices, IDC_DEVICES_TABLE), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(ControlText(devices, IDC_DEVICES_ADD_BOX), L"");
    const std::wstring kept = KeptList();
    EXPECT_NE(kept.find(L"127.0.46.70"), std::wstring::npos) << testing::PrintToString(kept);
    EXPECT_NE(kept.find(L"127.0.46.71"), std::wstring::npos) << testing::PrintToString(kept);

    // Esc hides the window; the program goes on and ends as ever.
    PostMessageW(devices, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil([devices] { return IsWindowVisible(devices) == FALSE; }, kWindowTimeout));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectExitStatusZero(program);
}

} // namespace
