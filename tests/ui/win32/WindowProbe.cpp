#include "WindowProbe.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::chrono::milliseconds kPollInterval{50};
constexpr std::chrono::milliseconds kCloseGrace{10000};
constexpr UINT kAnswerTimeoutMs = 5000;

// The program's path for CreateProcess: Wine sees the build machine's root as drive Z.
std::wstring ProgramPath() {
    std::wstring path = L"Z:";
    for (const char* c = VANTREX_CONFIG_EXE; *c != '\0'; ++c) {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    return path;
}

// Wine answers 0 from GetGuiResources, but keeps each process's GDI handle table where Windows keeps its
// shared one, PEB.GdiSharedHandleTable, in Windows' layout: 0x10000 entries of 24 bytes whose type byte
// is 0 when the entry is free.
constexpr std::size_t kPebGdiHandleTableOffset = 0xF8;
constexpr std::size_t kGdiHandleEntries = 0x10000;
constexpr std::size_t kGdiHandleEntrySize = 24;
constexpr std::size_t kGdiHandleTypeOffset = 14;

DWORD CountGdiHandleTable(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return 0;
    }
    std::uint64_t table = 0;
    const auto* field =
        reinterpret_cast<const unsigned char*>(basic.PebBaseAddress) + kPebGdiHandleTableOffset;
    if (!ReadProcessMemory(process, field, &table, sizeof table, nullptr) || table == 0) {
        return 0;
    }
    std::vector<unsigned char> entries(kGdiHandleEntries * kGdiHandleEntrySize);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(),
                           nullptr)) {
        return 0;
    }
    DWORD live = 0;
    for (std::size_t at = kGdiHandleTypeOffset; at < entries.size(); at += kGdiHandleEntrySize) {
        live += entries[at] != 0 ? 1 : 0;
    }
    return live;
}

struct WindowSearch {
    DWORD processId;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto& search = *reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    if (owner == search.processId && IsWindowVisible(window) && *search.title == text) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

CConfigProcess::CConfigProcess(const std::wstring& arguments) : m_start(std::chrono::steady_clock::now()) {
    const std::wstring program = ProgramPath();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &m_process)) {
        m_process = {};
    }
}

CConfigProcess::~CConfigProcess() {
    if (!Started()) {
        return;
    }
    if (!WaitForExit(std::chrono::milliseconds(0))) {
        EnumThreadWindows(
            m_process.dwThreadId,
            [](HWND window, LPARAM) {
                PostMessageW(window, WM_CLOSE, 0, 0);
                return TRUE;
            },
            0);
        if (!WaitForExit(kCloseGrace)) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(kCloseGrace.count()));
        }
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

HWND CConfigProcess::WaitForWindow(const std::wstring& title, std::chrono::milliseconds timeout) const {
    WindowSearch search{m_process.dwProcessId, &title, nullptr};
    WaitUntil(
        [&search] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

std::optional<DWORD> CConfigProcess::WaitForExit(std::chrono::milliseconds timeout) const {
    if (WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD status = 0;
    GetExitCodeProcess(m_process.hProcess, &status);
    return status;
}

std::chrono::milliseconds CConfigProcess::SinceStart() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start);
}

std::size_t CConfigProcess::WorkingSetBytes() const {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(m_process.hProcess, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

DWORD CConfigProcess::GdiObjects() const {
    const DWORD counted = GetGuiResources(m_process.hProcess, GR_GDIOBJECTS);
    return counted != 0 ? counted : CountGdiHandleTable(m_process.hProcess);
}

std::optional<std::wstring> ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    if (control == nullptr ||
        SendMessageTimeoutW(control, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied) == 0) {
        return std::nullopt;
    }
    return std::wstring(text, copied);
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

void ExpectExitStatusZero(const CConfigProcess& program) {
    const std::optional<DWORD> status = program.WaitForExit(kExitTimeout);
    ASSERT_TRUE(status.has_value()) << "still running";
    EXPECT_EQ(*status, 0U);
}
