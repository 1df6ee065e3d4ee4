// The device log window of the Win32 window in this process, against a native simulated device that
// loses its GPS lock 3 s after the window connects (FixtureSims.txt, 127.0.46.60; once per run of the
// fixture): opened from the system menu, its list shows the lock lost above the connection, and its
// chart has a plan with the device's offsets.
#include "WindowRun.h"

#include "runtime/Networking.h"
#include "ui/res/resource.h"
#include "ui/win32/ChartControl.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// The flip comes 3 s after the window connects; connecting on a busy machine takes its time.
constexpr std::chrono::milliseconds kLockLostTimeout{60000};
constexpr int kEventColumn = 2;

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
    const bool done = RunWindow(
        dialog, connect,
        [&events, &plan](HWND window) {
            HWND log = ThisThreadsWindow(L"Device log");
            if (log == nullptr) {
                SendMessageW(window, WM_SYSCOMMAND, CConfigDlg::kIdmDeviceLog, 0);
                return false;
            }
            events = EventTexts(GetDlgItem(log, IDC_LOG_EVENTS));
            plan = CurrentChartPlan(GetDlgItem(log, IDC_LOG_CHART));
            return RowStarting(events, L"GPS lock lost") < std::ssize(events) && plan &&
                   !plan->offsetLines.empty();
        },
        kLockLostTimeout);

    EXPECT_TRUE(done) << "events: " << testing::PrintToString(events);
    EXPECT_LT(RowStarting(events, L"GPS lock lost"), RowStarting(events, L"Connected to 127.0.46.60"));
    EXPECT_LT(RowStarting(events, L"Connected to 127.0.46.60"), std::ssize(events));
    EXPECT_TRUE(plan && !plan->offsetLines.empty());
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

} // namespace
