#include "NotifyIcon.h"

#include "WideText.h"

#include <iterator>

namespace {

// The window's only icon.
constexpr UINT kIconId = 1;

} // namespace

CNotifyIcon::~CNotifyIcon() {
    Remove();
}

NOTIFYICONDATAW CNotifyIcon::Data(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_window;
    data.uID = kIconId;
    data.uFlags = flags;
    return data;
}

bool CNotifyIcon::Add(HWND window, HICON icon, const std::wstring& tip) {
    m_window = window;
    // Version 4 shows the tip only when asked to.
    NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon;
    CopyTruncated(data.szTip, std::size(data.szTip), tip);
    m_tip = data.szTip;
    m_shown = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    if (m_shown) {
        data.uVersion = NOTIFYICON_VERSION_4;
        // An older shell keeps the first version's messages, which IsClick reads as well.
        (void)Shell_NotifyIconW(NIM_SETVERSION, &data);
    }
    return m_shown;
}

void CNotifyIcon::Remove() {
    if (!m_shown) {
        return;
    }
    NOTIFYICONDATAW data = Data(0);
    (void)Shell_NotifyIconW(NIM_DELETE, &data); // a shell that has gone took the icon with it
    m_shown = false;
}

bool CNotifyIcon::ShowBalloon(const std::wstring& title, const std::wstring& text, DWORD icon) {
    if (!m_shown) {
        return false;
    }
    NOTIFYICONDATAW data = Data(NIF_INFO);
    CopyTruncated(data.szInfoTitle, std::size(data.szInfoTitle), title);
    CopyTruncated(data.szInfo, std::size(data.szInfo), text);
    data.dwInfoFlags = icon;
    if (!Shell_NotifyIconW(NIM_MODIFY, &data)) {
        return false;
    }
    ++m_balloonsShown;
    m_lastBalloon = {data.szInfoTitle, data.szInfo, icon};
    return true;
}

void CNotifyIcon::HideBalloon() {
    if (!m_shown) {
        return;
    }
    // A balloon without text is none.
    NOTIFYICONDATAW data = Data(NIF_INFO);
    (void)Shell_NotifyIconW(NIM_MODIFY, &data); // a shell that has gone took the balloon with it
}

void CNotifyIcon::SetTip(const std::wstring& tip) {
    NOTIFYICONDATAW data = Data(NIF_TIP | NIF_SHOWTIP);
    CopyTruncated(data.szTip, std::size(data.szTip), tip);
    if (!m_shown || m_tip == data.szTip) {
        return;
    }
    // Not taken, it stays as it was; the next change tries again.
    if (Shell_NotifyIconW(NIM_MODIFY, &data)) {
        m_tip = data.szTip;
    }
}

bool CNotifyIcon::IsClick(LPARAM lParam) {
    // Version 4 puts the event in the low word, the first version in the whole lParam.
    switch (LOWORD(lParam)) {
    case WM_LBUTTONUP:
    case NIN_KEYSELECT:
    case NIN_BALLOONUSERCLICK:
        return true;
    default:
        return false;
    }
}
