#pragma once

#include <windows.h>

#include <span>
#include <vector>

// What a dialog box's loop lacks: the dialog manager's own message loop translates no accelerators and
// knows no other window. While this object lives, a message filter of the calling thread turns Ctrl+key
// pressed anywhere in the window into that key's system-menu command, posted to the window, and gives a
// modeless companion window (the device log, the device's answers, the Devices window) its keyboard (Tab, Enter, Esc) as a loop of
// its own would.
class CDialogLoopFilter {
public:
    struct Shortcut {
        WPARAM key; // a virtual key: 'F' for Ctrl+F
        UINT command;
    };

    CDialogLoopFilter() = default;
    ~CDialogLoopFilter();
    CDialogLoopFilter(const CDialogLoopFilter&) = delete;
    CDialogLoopFilter& operator=(const CDialogLoopFilter&) = delete;

    // Starts filtering for window; false when the filter could not be installed (the menu still works).
    bool Install(HWND window, std::span<const Shortcut> shortcuts);
    // A modeless window whose keys the filter hands to it, once it exists; each is added once.
    void AddCompanion(HWND companion);

private:
    static LRESULT CALLBACK Filter(int code, WPARAM wParam, LPARAM lParam);
    // True when the message was used up.
    bool Take(MSG& message) const;
    bool TakeShortcut(const MSG& message) const;

    HHOOK m_hook = nullptr;
    HWND m_window = nullptr;
    std::vector<Shortcut> m_shortcuts;
    std::vector<HWND> m_companions;
};
