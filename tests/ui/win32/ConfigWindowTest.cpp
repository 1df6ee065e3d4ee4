// vantrex-config.exe as a user meets it under Wine: started with arguments, read and pressed from this
// separate program through window messages, closed.
#include "WindowProbe.h"

#include "resources/resource.h"
#include "ui/AboutCommand.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStaysOpen{1000};
const std::wstring kAboutTitle = L"About VANTREX Configuration";

// An address no test connects to: the window only shows it.
constexpr const wchar_t* kShownAddress = L"127.0.43.9";

TEST(ConfigWindow, OpensWithTheStartTextsAndClosesWithStatusZero) {
    CConfigProcess program(kShownAddress);
    ASSERT_TRUE(program.Started());
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    std::printf("window visible %lld ms after the process started\n",
                static_cast<long long>(program.SinceStart().count()));

    const struct {
        int id;
        const wchar_t* text;
    } expected[] = {
        {IDC_CONNECT_GROUP, L"Connect"},
        {IDC_DEVICE_ADDRESS, kShownAddress},
        {IDC_CONNECT, L"Connect"},
        {IDC_STATUS_GROUP, L"Status"},
        {IDC_STATUS_LINE, L""},
        {IDC_GPS_CAPTION, L"GPS lock"},
        {IDC_TIME_SYNC_CAPTION, L"Time sync"},
        {IDC_CHANGE_IP_GROUP, L"Change IP address"},
        {IDC_NEW_SUBNET_MASK, L"255.255.255.0"},
        {IDC_IP_ADDRESS_LABEL, L"IP address"},
        {IDC_SUBNET_MASK_LABEL, L"Subnet mask"},
        {IDC_GATEWAY_LABEL, L"Gateway"},
        {IDC_APPLY, L"Apply"},
        {IDC_QUIT, L"Close"},
    };
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(ControlText(window, id), std::wstring(text)) << "control " << id;
    }
    for (int id : {IDC_STATUS_GROUP, IDC_NEW_IP_ADDRESS, IDC_APPLY}) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, id))) << "control " << id;
    }
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_DHCP)));

    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectExitStatusZero(program);
}

TEST(ConfigWindow, EnterAndEscLeaveItOpenAndTheCloseButtonEndsIt) {
    CConfigProcess program(L"");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(program.WaitForExit(kStaysOpen).has_value());

    PostMessageW(GetDlgItem(window, IDC_QUIT), BM_CLICK, 0, 0);
    ExpectExitStatusZero(program);
}

TEST(ConfigWindow, TheSystemMenuCommandOpensTheAboutBox) {
    CConfigProcess program(L"");
    HWND window = program.WaitForWindow(kConfigWindowTitle, kWindowTimeout);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, kIdmAboutBox, 0);
    HWND about = program.WaitForWindow(kAboutTitle, kWindowTimeout);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ControlText(about, IDOK), L"OK");

    PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil([about] { return !IsWindow(about); }, kExitTimeout));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectExitStatusZero(program);
}

} // namespace
