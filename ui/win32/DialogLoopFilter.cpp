#include "DialogLoopFilter.h"

#include <algorithm>

namespace {

// A hook procedure has no context of its own; one window per thread has the filter.
thread_local const CDialogLoopFilter* t_filter = nullptr;

bool IsIn(HWND window, HWND target) {
    return window != nullptr && (target == window || IsChild(window, target));
}

bool IsCtrlKey(const MSG& message, WPARAM key) {
    return message.message == WM_KEYDOWN && message.wParam == key && GetKeyState(VK_CONTROL) < 0 &&
           GetKeyState(VK_MENU) >= 0;
}

} // namespace

CDialogLoopFilter::~CDialogLoopFilter() {
    if (m_hook != nullptr) {
        UnhookWindowsHookEx(m_hook);
        t_filter = nullptr;
    }
}

bool CDialogLoopFilter::Install(HWND window, std::span<const Shortcut> shortcuts) {
    m_window = window;
    m_shortcuts.assign(shortcuts.begin(), shortcuts.end());
    t_filter = this;
    m_hook = SetWindowsHookExW(WH_MSGFILTER, Filter, nullptr, GetCurrentThreadId());
    return m_hook != nullptr;
}

LRESULT CALLBACK CDialogLoopFilter::Filter(int code, WPARAM wParam, LPARAM lParam) {
    // Only the window's own dialog loop: a box or a modal dialog over it keeps its keys.
    if (code == MSGF_DIALOGBOX && t_filter != nullptr && t_filter->Take(*reinterpret_cast<MSG*>(lParam))) {
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CDialogLoopFilter::Take(MSG& message) const {
    if (IsIn(m_window, message.hwnd)) {
        return TakeShortcut(message);
    }
    for (HWND companion : m_companions) {
        if (IsIn(companion, message.hwnd)) {
            return IsDialogMessageW(companion, &message) != FALSE;
        }
    }
    return false;
}

void CDialogLoopFilter::AddCompanion(HWND companion) {
    if (companion != nullptr &&
        std::find(m_companions.begin(), m_companions.end(), companion) == m_companions.end()) {
        m_companions.push_back(companion);
    }
}

bool CDialogLoopFilter::TakeShortcut(const MSG& message) const {
    for (const Shortcut& shortcut : m_shortcuts) {
        if (IsCtrlKey(message, shortcut.key)) {
            PostMessageW(m_window, WM_SYSCOMMAND, shortcut.command, 0);
            return true;
        }
    }
    return false;
}
