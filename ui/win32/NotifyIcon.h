#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

// The window's icon in the notification area while it is open, and the balloons of its alarms. Where
// there is no notification area (Shell_NotifyIconW fails), it shows nothing and the window goes on as
// without it.
class CNotifyIcon {
public:
    // What the window is sent when the user clicks the icon or its balloon. WM_APP carries the links'
    // reports.
    static constexpr UINT kCallbackMessage = WM_APP + 1;

    // A balloon as the shell was given it: cut to its fields, with one of the NIIF_ icons.
    struct Balloon {
        std::wstring title;
        std::wstring text;
        DWORD icon = NIIF_NONE;
    };

    CNotifyIcon() = default;
    ~CNotifyIcon();
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;

    // Shows icon with tip for window, which then gets kCallbackMessage; false without a notification area.
    bool Add(HWND window, HICON icon, const std::wstring& tip);
    // Takes the icon away again; nothing when it is not shown.
    void Remove();
    // A balloon from the icon, with icon NIIF_ERROR, NIIF_WARNING or NIIF_INFO, in place of the one
    // shown; false when the icon is not shown or the shell refuses it.
    bool ShowBalloon(const std::wstring& title, const std::wstring& text, DWORD icon);
    // Takes the balloon shown away.
    void HideBalloon();
    // Replaces the icon's tip; nothing happens while it is the same.
    void SetTip(const std::wstring& tip);
    // The tip as the shell was given it.
    const std::wstring& Tip() const { return m_tip; }
    // Whether the lParam of a kCallbackMessage is a click on the icon or its balloon, or the icon chosen
    // with the keyboard.
    static bool IsClick(LPARAM lParam);

    // How many balloons the shell took, and the last of them: what a test can see of what the user saw.
    int BalloonsShown() const { return m_balloonsShown; }
    const Balloon& LastBalloon() const { return m_lastBalloon; }

private:
    // The data that names this icon to the shell, with flags.
    NOTIFYICONDATAW Data(UINT flags) const;

    HWND m_window = nullptr;
    bool m_shown = false;
    std::wstring m_tip;
    int m_balloonsShown = 0;
    Balloon m_lastBalloon;
};
