// The device's answers window of the Win32 window in this process, against a native simulated device
// (FixtureSims.txt, 127.0.46.61): opened from the system menu once connected, it lists a getdate with the
// device time read from it, the peer table, and Copy all puts them on the clipboard in Windows' lines.
#include "WindowRun.h"

#include "resources/resource.h"
#include "runtime/Networking.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace {

constexpr int kCommandColumn = 2;
constexpr int kReadColumn = 3;

std::wstring CellText(HWND list, int row, int column) {
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int RowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

bool ShowsReadGetdate(HWND list) {
    for (int row = 0; row < RowCount(list); ++row) {
        if (CellText(list, row, kCommandColumn) == L"getdate" &&
            CellText(list, row, kReadColumn).starts_with(L"Device time ")) {
            return true;
        }
    }
    return false;
}

std::wstring ClipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner)) {
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT); data != nullptr) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data)); chars != nullptr) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

TEST(AnswersWindow, ListsTheExchangesAndThePeerTableAndCopiesThem) {
    ASSERT_TRUE(StartNetworking());
    CAnsweringBoxes boxes;
    CConfigDlg dialog(GetModuleHandleW(nullptr), boxes);
    dialog.Logic().SetDeviceLogEnvironment(DeviceLogEnvironment{});
    CommandLine connect;
    connect.address = "127.0.46.61";
    connect.connect = true;
    std::wstring copied;
    const bool done = RunWindow(
        dialog, connect,
        [&](HWND window) {
            HWND answers = ThisThreadsWindow(L"Device's answers");
            if (answers == nullptr) {
                SendMessageW(window, WM_SYSCOMMAND, CConfigDlg::kIdmDeviceAnswers, 0);
                return false;
            }
            if (!ShowsReadGetdate(GetDlgItem(answers, IDC_ANSWERS_EXCHANGES)) ||
                RowCount(GetDlgItem(answers, IDC_ANSWERS_PEERS)) == 0) {
                return false;
            }
            SendMessageW(answers, WM_COMMAND, MAKEWPARAM(IDC_ANSWERS_COPY, BN_CLICKED), 0);
            copied = ClipboardText(answers);
            return true;
        },
        kWindowTimeout);

    EXPECT_TRUE(done);
    EXPECT_NE(copied.find(L"\tgetdate\tDevice time "), std::wstring::npos) << copied.size();
    EXPECT_NE(copied.find(L"\tsystem peer\t"), std::wstring::npos);
    // Windows' text: every line ends in CR LF.
    EXPECT_EQ(copied.find(L"\n"), copied.find(L"\r\n") + 1);
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

} // namespace
