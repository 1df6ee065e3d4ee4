#include "FindShortcut.h"

namespace {

// A hook procedure has no context of its own; one window per thread has the shortcut.
thread_local HWND t_window = nullptr;
thread_local UINT t_command = 0;

bool IsCtrlF(const MSG& message) {
    return message.message == WM_KEYDOWN && message.wParam == 'F' && GetKeyState(VK_CONTROL) < 0 &&
           GetKeyState(VK_MENU) >= 0;
}

} // namespace

CFindShortcut::~CFindShortcut() {
    if (m_hook != nullptr) {
        UnhookWindowsHookEx(m_hook);
        t_window = nullptr;
    }
}

bool CFindShortcut::Install(HWND window, UINT command) {
    t_window = window;
    t_command = command;
    m_hook = SetWindowsHookExW(WH_MSGFILTER, Filter, nullptr, GetCurrentThreadId());
    return m_hook != nullptr;
}

LRESULT CALLBACK CFindShortcut::Filter(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    // Only the window's own dialog loop: a box or the Find dialog over it keeps its keys.
    if (code == MSGF_DIALOGBOX && t_window != nullptr && IsCtrlF(*message) &&
        (message->hwnd == t_window || IsChild(t_window, message->hwnd))) {
        PostMessageW(t_window, WM_SYSCOMMAND, t_command, 0);
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
