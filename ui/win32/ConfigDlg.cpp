#include "ConfigDlg.h"

#include "AboutDlg.h"
#include "FindDlg.h"
#include "LocalNetworks.h"
#include "NotifySetting.h"
#include "PostedReport.h"
#include "RecentAddressSetting.h"
#include "WideText.h"
#include "WindowPlacement.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/AboutCommand.h"
#include "ui/RecentAddresses.h"
#include "ui/SearchNetworkCheck.h"

#include <windowsx.h>

#include <cstdint>
#include <utility>

namespace {

constexpr int kPointsPerInch = 72;

HFONT CreateControlFont(const ControlFont& font, int weight, int dpi) {
    return CreateFontW(-MulDiv(font.points, dpi, kPointsPerInch), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, Widen(font.family).c_str());
}

// The font, or its regular weight when the bold one cannot be made.
HFONT CreateControlFont(const ControlFont& font, int dpi) {
    HFONT created = CreateControlFont(font, font.bold ? FW_BOLD : FW_NORMAL, dpi);
    return created == nullptr && font.bold ? CreateControlFont(font, FW_NORMAL, dpi) : created;
}

HICON LoadIconOfSize(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                         LR_DEFAULTCOLOR | LR_SHARED));
}

// The bitmap resource at the screen's resolution: the artwork is drawn for 96 dpi.
HBITMAP LoadScaledBitmap(HINSTANCE instance, int bitmapId, int dpi) {
    auto* bitmap =
        static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, 0));
    BITMAP size{};
    if (bitmap == nullptr || dpi == USER_DEFAULT_SCREEN_DPI || GetObjectW(bitmap, sizeof size, &size) == 0) {
        return bitmap;
    }
    return static_cast<HBITMAP>(
        CopyImage(bitmap, IMAGE_BITMAP, MulDiv(size.bmWidth, dpi, USER_DEFAULT_SCREEN_DPI),
                  MulDiv(size.bmHeight, dpi, USER_DEFAULT_SCREEN_DPI), LR_COPYDELETEORG));
}

} // namespace

CConfigDlg::CConfigDlg(HINSTANCE instance, CMessageBoxes& boxes)
    : m_instance(instance), m_boxes(boxes), m_hIcon(LoadIconOfSize(instance, SM_CXICON, SM_CYICON)),
      m_hSmallIcon(LoadIconOfSize(instance, SM_CXSMICON, SM_CYSMICON)),
      m_logic(
          *this, [this](CWorkerThread& link, StateReport report) { PostReport(m_hwnd, link, report); },
          LocalNetworks) {}

INT_PTR CConfigDlg::DoModal(const CommandLine& commandLine) {
    m_commandLine = commandLine;
    return RunModal(m_instance, IDD_CONFIG_DIALOG, nullptr);
}

INT_PTR CConfigDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_LBUTTONDBLCLK:
        return OnDoubleClick({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_ACTIVATE:
        return OnActivate(LOWORD(wParam));
    case WM_PAINT:
        return OnPaintIconic();
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case CNotifyIcon::kCallbackMessage:
        if (CNotifyIcon::IsClick(lParam)) {
            BringToFront();
        }
        return TRUE;
    case WM_DESTROY:
        m_notifyIcon.Remove();
        return FALSE;
    case WM_CLOSE:
        m_logic.OnClose();
        return TRUE;
    case WM_TIMER:
        m_logic.OnTimer(static_cast<int>(wParam));
        return TRUE;
    case WM_APP:
        m_logic.OnLinkState(reinterpret_cast<const CWorkerThread*>(wParam), UnpackReport(lParam));
        return TRUE;
    case WM_SIZE:
        LayoutControls();
        return TRUE;
    case WM_SETFOCUS:
        // The dialog manager would hand the focus straight on to a control.
        return m_takingFocus;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    default:
        return FALSE;
    }
}

BOOL CConfigDlg::OnInitDialog() {
    InstallSystemMenuItems();
    SetIcons();
    AttachStatusTexts();
    CreateFonts();
    LoadLamps();
    const std::wstring title = Widen(LoadStringResource(IDS_WINDOW_TITLE));
    SetWindowTextW(m_hwnd, title.c_str());
    m_notifyIcon.Add(m_hwnd, m_hSmallIcon, title);
    LayoutControls();
    // The template places the window in the corner of the screen.
    CentreWindowIn(m_hwnd, WorkAreaOf(m_hwnd));
    // The drop-down offers every remembered address, however small its template rectangle.
    SendDlgItemMessageW(m_hwnd, IDC_DEVICE_ADDRESS, CB_SETMINVISIBLE, kMostRecentAddresses, 0);
    m_logic.SetRecentAddresses(ReadRecentAddresses());
    m_logic.OnInitDialog();
    m_logic.ApplyCommandLine(m_commandLine);
    m_devicesDlg =
        std::make_unique<CDevicesDlg>(m_instance, m_hwnd, *this, m_boxes, ProgramDevicesEnvironment());
    return TRUE; // the dialog manager gives the focus to the first tab stop, the address edit
}

void CConfigDlg::InstallSystemMenuItems() {
    HMENU systemMenu = GetSystemMenu(m_hwnd, FALSE);
    if (systemMenu != nullptr) {
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, kIdmDeviceLog,
                    (Widen(LoadStringResource(IDS_LOG_MENU_ITEM)) + L"\tCtrl+L").c_str());
        AppendMenuW(systemMenu, MF_STRING, kIdmDeviceAnswers,
                    (Widen(LoadStringResource(IDS_ANSWERS_MENU_ITEM)) + L"\tCtrl+E").c_str());
        AppendMenuW(systemMenu, MF_STRING, kIdmDevices,
                    (Widen(LoadStringResource(IDS_DEVICES_MENU_ITEM)) + L"\tCtrl+D").c_str());
        AppendMenuW(systemMenu, MF_STRING, kIdmFindDevices,
                    (Widen(LoadStringResource(IDS_FIND_DEVICES)) + L"\tCtrl+F").c_str());
        AppendMenuW(systemMenu, MF_STRING, kIdmNotifyProblems,
                    Widen(LoadStringResource(IDS_NOTIFY_PROBLEMS)).c_str());
        if (const std::wstring aboutText = Widen(AboutCommandText()); !aboutText.empty()) {
            AppendMenuW(systemMenu, MF_STRING, kIdmAboutBox, aboutText.c_str());
        }
    }
    // Without a system menu the choice still holds, only the user cannot change it here.
    SetNotifyProblems(ReadNotifyProblems());
    // Without the filter the menu items still open their windows.
    const CDialogLoopFilter::Shortcut shortcuts[] = {
        {'L', kIdmDeviceLog}, {'E', kIdmDeviceAnswers}, {'D', kIdmDevices}, {'F', kIdmFindDevices}};
    (void)m_loopFilter.Install(m_hwnd, shortcuts);
}

void CConfigDlg::SetIcons() {
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
}

void CConfigDlg::AttachStatusTexts() {
    for (std::size_t index = 0; index < kStatusTextIds.size(); ++index) {
        m_statusTexts[index].Attach(Item(kStatusTextIds[index]));
    }
    StatusText(kFramedStatusTextId)->SetBorder(true);
    // Overlapping siblings paint in no fixed order; the frame is drawn beneath the lines, lamps and
    // captions on it, and the Status group's caption beneath the frame.
    HWND frame = Item(IDC_STATUS_FRAME);
    SetWindowLongW(frame, GWL_STYLE, GetWindowLongW(frame, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(Item(IDC_STATUS_GROUP), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

CStatusText* CConfigDlg::StatusText(int id) {
    for (std::size_t index = 0; index < kStatusTextIds.size(); ++index) {
        if (kStatusTextIds[index] == id) {
            return &m_statusTexts[index];
        }
    }
    return nullptr;
}

int CConfigDlg::Dpi() const {
    HDC dc = GetDC(m_hwnd);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(m_hwnd, dc);
    return dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

void CConfigDlg::CreateFonts() {
    const int dpi = Dpi();
    for (std::size_t index = 0; index < kControlFonts.size(); ++index) {
        m_fonts[index].Reset(CreateControlFont(kControlFonts[index], dpi));
    }
    for (const ControlFontUse& use : kControlFontUses) {
        if (HFONT font = m_fonts[use.font].Get(); font != nullptr) {
            SendDlgItemMessageW(m_hwnd, use.controlId, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
    }
}

void CConfigDlg::LoadLamps() {
    const int dpi = Dpi();
    for (int bitmapId : {IDB_LAMP_RED, IDB_LAMP_GREEN, IDB_LAMP_GREY}) {
        m_lampBitmaps[bitmapId].Reset(LoadScaledBitmap(m_instance, bitmapId, dpi));
    }
    // Owned by the window, which destroys it. Shown over an inactive window too, with the problems'
    // texts as they are; the lines break only where a tip breaks them, never wider than the screen.
    HWND tips =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, m_instance, nullptr);
    SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN));
    // The template's own grey lamps give way to the ones loaded once, at the screen's resolution.
    for (int lampId : {IDC_GPS_LAMP, IDC_TIME_SYNC_LAMP}) {
        m_lamps[lampId].Attach(Item(lampId));
        m_lamps[lampId].AttachTip(tips);
        SetLamp(lampId, IDB_LAMP_GREY);
    }
}

bool CConfigDlg::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0U) == kIdmDeviceLog) {
        ShowDeviceLog();
        return true;
    }
    if ((command & 0xFFF0U) == kIdmDeviceAnswers) {
        ShowDeviceAnswers();
        return true;
    }
    if ((command & 0xFFF0U) == kIdmDevices) {
        ShowDevices();
        return true;
    }
    if ((command & 0xFFF0U) == kIdmFindDevices) {
        OnFindDevices();
        return true;
    }
    if ((command & 0xFFF0U) == kIdmNotifyProblems) {
        const bool on = !m_logic.AlarmsOn();
        SetNotifyProblems(on);
        // A choice that cannot be remembered still holds until the window closes.
        (void)SaveNotifyProblems(on);
        return true;
    }
    if (!IsAboutCommand(command)) {
        return false; // move, close and the rest: the default handling
    }
    CAboutDlg about(m_instance);
    about.DoModal(m_hwnd);
    return true;
}

void CConfigDlg::ShowDeviceLog() {
    if (!m_deviceLogDlg) {
        m_deviceLogDlg = std::make_unique<CDeviceLogDlg>(m_instance, m_logic.DeviceLog(), m_boxes);
    }
    m_deviceLogDlg->ShowBeside(m_hwnd, StatusArea());
    m_loopFilter.AddCompanion(m_deviceLogDlg->Window());
}

RECT CConfigDlg::StatusArea() const {
    RECT status{};
    GetWindowRect(Item(IDC_STATUS_GROUP), &status);
    return status;
}

void CConfigDlg::ShowDeviceAnswers() {
    if (!m_answersDlg) {
        m_answersDlg = std::make_unique<CAnswersDlg>(m_instance, m_logic.DeviceAnswers());
    }
    m_answersDlg->ShowBeside(m_hwnd, StatusArea());
    m_loopFilter.AddCompanion(m_answersDlg->Window());
}

void CConfigDlg::ShowDevices() {
    m_devicesDlg->Show();
    m_loopFilter.AddCompanion(m_devicesDlg->Window());
}

// The status area's group box and statics send no clicks of their own: the window gets them.
bool CConfigDlg::OnDoubleClick(POINT point) {
    RECT status;
    GetWindowRect(GetDlgItem(m_hwnd, IDC_STATUS_GROUP), &status);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&status), 2);
    if (!PtInRect(&status, point)) {
        return false;
    }
    ShowDeviceLog();
    return true;
}

void CConfigDlg::OnFindDevices() {
    CFindDlg find(m_instance, m_boxes, NetworkToOffer(m_logic.LastSearchedNetwork(), LocalNetworks()));
    const INT_PTR result = find.DoModal(m_hwnd);
    m_logic.OnNetworkSearched(find.Logic().SearchedNetwork());
    if (result == kFindConnect) {
        m_logic.ConnectToFound(find.Logic().ChosenAddress());
    }
}

void CConfigDlg::SetNotifyProblems(bool on) {
    m_logic.SetAlarmsOn(on);
    if (m_devicesDlg) {
        m_devicesDlg->Logic().SetAlarmsOn(on);
    }
    CheckMenuItem(GetSystemMenu(m_hwnd, FALSE), kIdmNotifyProblems,
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void CConfigDlg::BringToFront() {
    if (IsIconic(m_hwnd)) {
        ShowWindow(m_hwnd, SW_RESTORE);
    }
    SetForegroundWindow(m_hwnd);
}

bool CConfigDlg::OnActivate(WORD state) {
    if (state == WA_INACTIVE) {
        // The dialog manager remembers this control too and gives the focus back to it on return; but
        // if the logic disabled it meanwhile, to the first enabled tab stop, a button that the user's
        // next Space would press.
        m_focusOnDeactivation = GetFocus();
        return false;
    }
    HWND remembered = std::exchange(m_focusOnDeactivation, nullptr);
    if (IsIconic(m_hwnd) || remembered == nullptr || (remembered != m_hwnd && IsWindowEnabled(remembered))) {
        return false;
    }
    TakeFocus();
    return true;
}

bool CConfigDlg::OnPaintIconic() {
    if (!IsIconic(m_hwnd)) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hwnd, &paint);
    SendMessageW(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hwnd, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hwnd, &paint);
    return true;
}

bool CConfigDlg::OnCommand(int id, int code) {
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDOK:
    case IDCANCEL:
        return true; // Enter and Esc must not end the window
    case IDC_CONNECT:
        m_logic.OnConnect();
        return true;
    case IDC_APPLY:
        m_logic.OnApply();
        return true;
    case IDC_DHCP:
        m_logic.OnDhcpToggle();
        return true;
    case IDC_QUIT:
        m_logic.OnClose();
        return true;
    default:
        return false;
    }
}
