#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

// The main window's title, and how long the tests wait for it: Wine's first window in a fresh prefix can
// take several seconds.
inline const std::wstring kConfigWindowTitle = L"VANTREX Configuration";
inline constexpr std::chrono::milliseconds kWindowTimeout{30000};
inline constexpr std::chrono::milliseconds kExitTimeout{15000};

// vantrex-config.exe, started for one test with arguments (UTF-16, as on a command line); ended with
// the test when it is still running: first asked to close, then terminated. Every wait is bounded.
class CConfigProcess {
public:
    explicit CConfigProcess(const std::wstring& arguments);
    ~CConfigProcess();
    CConfigProcess(const CConfigProcess&) = delete;
    CConfigProcess& operator=(const CConfigProcess&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    // The first visible top-level window of the process with that title; null after timeout.
    HWND WaitForWindow(const std::wstring& title, std::chrono::milliseconds timeout) const;
    // The exit status once the process has ended; nothing after timeout.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout) const;
    // Time from the start of the process to now.
    std::chrono::milliseconds SinceStart() const;
    // The working set of the process in bytes; 0 when it cannot be read.
    std::size_t WorkingSetBytes() const;
    // The number of GDI objects the process holds, from its handle table where GetGuiResources answers
    // 0 (Wine); 0 when neither can be read.
    DWORD GdiObjects() const;

private:
    PROCESS_INFORMATION m_process{};
    std::chrono::steady_clock::time_point m_start;
};

// The text of the dialog's control id, read with a bounded WM_GETTEXT; nothing when the window does not
// answer in time.
std::optional<std::wstring> ControlText(HWND dialog, int id);
// Checks condition every 50 ms until it holds or timeout has passed; whether it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
// Expects the program to end within kExitTimeout with exit status 0 (a test's last check).
void ExpectExitStatusZero(const CConfigProcess& program);
