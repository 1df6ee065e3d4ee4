#pragma once

#include "GdiObject.h"
#include "MessageBoxes.h"
#include "StatusText.h"
#include "ui/CommandLine.h"

#include <windows.h>

#include <array>
#include <initializer_list>
#include <map>
#include <string>

// The main window, a modal dialog from template 102: the shared logic decides, this class turns window
// messages into its calls and its results into control texts, lamps and enabled states.
class CConfigDlg {
public:
    // boxes answers every message box of the window (tests pass their own).
    CConfigDlg(HINSTANCE instance, CMessageBoxes& boxes);
    CConfigDlg(const CConfigDlg&) = delete;
    CConfigDlg& operator=(const CConfigDlg&) = delete;

    // Runs the window until its close routine ends it, with the address and Connect press of the
    // command line; the dialog's result, 0.
    INT_PTR DoModal(const CommandLine& commandLine);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog();
    void InstallAboutCommand();
    void SetIcons();
    void AttachStatusTexts();
    void CreateFonts();
    void LoadLamps();
    void SetStartTexts();
    void ApplyCommandLine();

    bool OnSysCommand(WPARAM command);
    bool OnPaintIconic();
    bool OnCommand(int id, int code);
    // The close routine of the title-bar close, Alt+F4, the system menu's Close and the Close button.
    void OnClose();

    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    CStatusText& StatusText(int id);
    int Dpi() const;
    void SetItemText(int id, const std::string& text);
    // Every enabling and disabling of the window's controls goes through here: a disabled control hands
    // the keyboard focus to the window, never to another control.
    void SetEnabled(std::initializer_list<int> ids, bool enabled);
    void SetLamp(int lampId, int bitmapId);
    void InvalidateWindow();

    // The computed layout (ConfigDlgLayout.cpp), on start and on every WM_SIZE.
    void LayoutControls();

    HINSTANCE m_instance;
    CMessageBoxes& m_boxes;
    HWND m_hwnd = nullptr;
    CommandLine m_commandLine;
    HICON m_hIcon;
    HICON m_hSmallIcon;
    CGdiObject<HFONT> m_fontLarge;
    CGdiObject<HFONT> m_fontSmall;
    std::map<int, CGdiObject<HBITMAP>> m_lampBitmaps;
    std::array<CStatusText, 6> m_statusTexts;
    int m_nMargin = 14;
    bool m_bDhcpCapable = false;
    bool m_bLayoutDone = false;
    bool m_takingFocus = false;
};
