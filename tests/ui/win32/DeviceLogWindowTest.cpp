// The device log window of the Win32 window in this process, against a native simulated device that
// loses its GPS lock 3 s after the window connects (FixtureSims.txt, 127.0.46.60; once per run of the
// fixture): opened from the system menu clear of the status area, its list shows the lock lost above
// the connection, its chart has a plan with the device's offsets, and Ctrl+C in the list copies whole
// rows. Its columns are as wide as their titles, at any dpi (at-dpi.sh runs them at 144; 127.0.46.62).
#include "WindowRun.h"

#include "resources/resource.h"
#include "runtime/Networking.h"
#include "ui/DeviceLogRows.h"
#include "ui/win32/ChartControl.h"
#include "ui/win32/WindowPlacement.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// The flip comes 3 s after the window connects; connecting on a busy machine takes its time.
constexpr std::chrono::milliseconds kLockLostTimeout{60000};
constexpr int kEventColumn = 3;

// The texts of the list's event column, top to bottom.
std::vector<std::wstring> EventTexts(HWND list) {
    std::vector<std::wstring> texts;
    const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = kEventColumn;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        texts.emplace_back(text);
    }
    return texts;
}

// Presses Ctrl+C in list, as the keyboard would: the control key down in this thread's keyboard state.
void PressCtrlC(HWND list) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(list, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = control;
    SetKeyboardState(keys);
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

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// How much narrower than its title each column of list is, left to right; 0 for one as wide or wider.
std::vector<int> ColumnShortfalls(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const auto columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::vector<int> shortfalls;
    for (int column = 0; column < columns; ++column) {
        wchar_t title[64] = {};
        LVCOLUMNW item{};
        item.mask = LVCF_TEXT;
        item.pszText = title;
        item.cchTextMax = static_cast<int>(std::size(title));
        SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        const auto titleWidth =
            static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(title)));
        const auto width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        shortfalls.push_back(std::max(0, titleWidth - width + 1));
    }
    return shortfalls;
}

LONG AreaOf(const RECT& rect) {
    return (rect.right - rect.left) * (rect.bottom - rect.top);
}

LONG CoverOf(const RECT& window, const RECT& area) {
    RECT both{};
    return IntersectRect(&both, &window, &area) ? AreaOf(both) : 0;
}

// The least of area that a window of size covers anywhere inside work, found by trying every place: none
// where the screen has room beside the main window.
LONG LeastCoverOf(const RECT& area, const RECT& window, const RECT& work) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG least = AreaOf(area);
    for (LONG y = work.top; y + height <= work.bottom; ++y) {
        for (LONG x = work.left; x + width <= work.right; ++x) {
            least = std::min(least, CoverOf(RECT{x, y, x + width, y + height}, area));
        }
    }
    return least;
}

// The row of the first event text that starts with start; the row count when there is none.
std::ptrdiff_t RowStarting(const std::vector<std::wstring>& texts, const std::wstring& start) {
    return std::find_if(texts.begin(), texts.end(),
                        [&start](const std::wstring& text) { return text.starts_with(start); }) -
           texts.begin();
}

TEST(DeviceLogWindow, ListsTheGpsLockLostAboveTheConnectionBesideAChartOfTheOffsets) {
    ASSERT_TRUE(StartNetworking());
    CAnsweringBoxes boxes;
    CConfigDlg dialog(GetModuleHandleW(nullptr), boxes);
    // In memory: the user's journal would bring back the lock losses of earlier runs.
    dialog.Logic().SetDeviceLogEnvironment(DeviceLogEnvironment{});
    CommandLine connect;
    connect.address = "127.0.46.60";
    connect.connect = true;
    std::vector<std::wstring> events;
    std::optional<ChartPlan> plan;
    // The test's screen (1024 x 768) has room on no side: the log window covers the least of the status
    // area that it can.
    LONG statusCovered = -1;
    LONG leastCover = 0;
    bool insideWork = false;
    std::wstring copied;
    int seenWidth = 0;
    int seenTitleWidth = 1;
    const bool done = RunWindow(
        dialog, connect,
        [&](HWND window) {
            HWND log = ThisThreadsWindow(L"Device log");
            if (log == nullptr) {
                SendMessageW(window, WM_SYSCOMMAND, CConfigDlg::kIdmDeviceLog, 0);
                return false;
            }
            RECT status{};
            RECT placed{};
            GetWindowRect(GetDlgItem(window, IDC_STATUS_GROUP), &status);
            GetWindowRect(log, &placed);
            const RECT work = WorkAreaOf(window);
            RECT inside{};
            insideWork = IntersectRect(&inside, &placed, &work) && EqualRect(&inside, &placed);
            statusCovered = CoverOf(placed, status);
            leastCover = LeastCoverOf(status, placed, work);
            HWND list = GetDlgItem(log, IDC_LOG_EVENTS);
            events = EventTexts(list);
            plan = CurrentChartPlan(GetDlgItem(log, IDC_LOG_CHART));
            const bool shown = RowStarting(events, L"GPS lock lost") < std::ssize(events) && plan &&
                               !plan->offsetLines.empty();
            if (shown) {
                seenWidth = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
                seenTitleWidth = static_cast<int>(
                    SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(L"Seen")));
                LVITEMW all{};
                all.stateMask = LVIS_SELECTED;
                all.state = LVIS_SELECTED;
                SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
                PressCtrlC(list);
                copied = ClipboardText(log);
            }
            return shown;
        },
        kLockLostTimeout);

    EXPECT_TRUE(done) << "events: " << testing::PrintToString(events);
    EXPECT_LT(RowStarting(events, L"GPS lock lost"), RowStarting(events, L"Connected to 127.0.46.60"));
    EXPECT_LT(RowStarting(events, L"Connected to 127.0.46.60"), std::ssize(events));
    EXPECT_TRUE(plan && !plan->offsetLines.empty());
    EXPECT_TRUE(insideWork);
    EXPECT_EQ(statusCovered, leastCover);
    EXPECT_GT(seenWidth, seenTitleWidth) << "the Seen column is narrower than its title";
    // One line a row, each with every column.
    EXPECT_EQ(std::count(copied.begin(), copied.end(), L'\n'), std::ssize(events));
    EXPECT_EQ(std::count(copied.begin(), copied.end(), L'\t'), std::ssize(events) * 4);
    EXPECT_NE(copied.find(L"\tGPS lock lost\t"), std::wstring::npos);
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

TEST(DeviceLogWindow, EveryColumnIsWiderThanItsTitle) {
    ASSERT_TRUE(StartNetworking());
    CAnsweringBoxes boxes;
    CConfigDlg dialog(GetModuleHandleW(nullptr), boxes);
    dialog.Logic().SetDeviceLogEnvironment(DeviceLogEnvironment{});
    CommandLine connect;
    connect.address = "127.0.46.62";
    connect.connect = true;
    std::vector<int> shortfalls;
    const bool done = RunWindow(
        dialog, connect,
        [&](HWND window) {
            HWND log = ThisThreadsWindow(L"Device log");
            if (log == nullptr) {
                SendMessageW(window, WM_SYSCOMMAND, CConfigDlg::kIdmDeviceLog, 0);
                return false;
            }
            HWND list = GetDlgItem(log, IDC_LOG_EVENTS);
            const std::vector<std::wstring> events = EventTexts(list);
            if (RowStarting(events, L"Connected to 127.0.46.62") == std::ssize(events)) {
                return false;
            }
            shortfalls = ColumnShortfalls(list);
            return true;
        },
        kLockLostTimeout);

    EXPECT_TRUE(done);
    EXPECT_EQ(shortfalls, std::vector<int>(kEventColumns.size(), 0))
        << "pixels each column lacks for its title";
    // Run at another dpi, the screen must have it, or the widths prove nothing of it.
    if (const char* dpi = std::getenv("VANTREX_TEST_DPI"); dpi != nullptr) {
        EXPECT_EQ(ScreenDpi(), std::atoi(dpi));
    }
}

} // namespace
