#include "WindowRun.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kStepMs = 100;

struct WindowRun {
    std::function<bool(HWND)> step;
    Clock::time_point deadline;
    bool done = false;
    bool closing = false;
};
WindowRun* g_run = nullptr;

void CALLBACK OnStep(HWND, UINT, UINT_PTR, DWORD) {
    WindowRun& run = *g_run;
    HWND window = ThisThreadsWindow(L"VANTREX Configuration");
    if (window == nullptr || run.closing) {
        return;
    }
    run.done = run.step(window);
    if (run.done || Clock::now() >= run.deadline) {
        run.closing = true;
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
}

} // namespace

HWND ThisThreadsWindow(const std::wstring& title) {
    struct Search {
        const std::wstring* title;
        HWND found;
    } search{&title, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM lParam) {
            auto& search = *reinterpret_cast<Search*>(lParam);
            wchar_t text[64] = {};
            GetWindowTextW(window, text, static_cast<int>(std::size(text)));
            if (*search.title != text) {
                return TRUE;
            }
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool RunWindow(CConfigDlg& dialog, const CommandLine& commandLine, std::function<bool(HWND)> step,
               std::chrono::milliseconds timeout) {
    WindowRun run{std::move(step), Clock::now() + timeout};
    g_run = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, kStepMs, OnStep);
    dialog.DoModal(commandLine);
    KillTimer(nullptr, timer);
    g_run = nullptr;
    return run.done;
}
