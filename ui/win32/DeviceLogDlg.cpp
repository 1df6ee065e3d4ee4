#include "DeviceLogDlg.h"

#include "AccessibleNames.h"
#include "WideText.h"
#include "WindowPlacement.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// Between the main window and this one.
constexpr int kGapPixels = 8;
constexpr int kColumnWidthPixels = 150;
// The longest path the save box takes.
constexpr DWORD kPathChars = 32768;

void InsertColumn(HWND list, int index, const std::string& title) {
    std::wstring text = Widen(title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = kColumnWidthPixels;
    column.pszText = text.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::string& utf8) {
    std::wstring text = Widen(utf8);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void AddRow(HWND list, int row, const EventRow& shown) {
    const auto cells = shown.Cells();
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    std::wstring text = Widen(*cells[0]);
    item.pszText = text.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (std::size_t column = 1; column < cells.size(); ++column) {
        SetCell(list, row, static_cast<int>(column), *cells[column]);
    }
}

// Puts text on the clipboard as Unicode; false when another program holds the clipboard.
bool PutOnClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    void* target = GlobalLock(memory);
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it took it.
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
    }
    CloseClipboard();
    return true;
}

} // namespace

CDeviceLogDlg::CDeviceLogDlg(HINSTANCE instance, const CDeviceLog& log, CMessageBoxes& boxes)
    : m_instance(instance), m_boxes(boxes), m_logic(*this, log),
      m_planSource([this](int width, int height, const ChartFont& font) {
          return m_logic.ChartPlanFor(width, height, font);
      }) {}

CDeviceLogDlg::~CDeviceLogDlg() {
    if (m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
}

void CDeviceLogDlg::ShowBeside(HWND owner, const RECT& keepClear) {
    if (m_hwnd == nullptr) {
        if (!RegisterChartClass(m_instance)) {
            return;
        }
        if (!Create(m_instance, *FindDialogTemplate(IDD_DEVICE_LOG), owner)) {
            return;
        }
    }
    if (!IsWindowVisible(m_hwnd)) {
        MoveBeside(m_hwnd, owner, keepClear, kGapPixels);
    }
    m_logic.OnShow();
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
}

INT_PTR CDeviceLogDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_TIMER:
        m_logic.OnTimer();
        return TRUE;
    case WM_CLOSE:
        m_logic.OnClose();
        return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY:
        ClearAccessibleNames(m_hwnd, kLogAccessibleNames);
        // With its owner, the main window, when that goes first.
        m_hwnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void CDeviceLogDlg::OnInitDialog() {
    SendMessageW(Item(IDC_LOG_EVENTS), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
    m_logic.OnInitDialog();
    SetChartPlanSource(Item(IDC_LOG_CHART), &m_planSource);
    SetAccessibleNames(m_hwnd, kLogAccessibleNames);
}

bool CDeviceLogDlg::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_LOG_SPAN:
        if (code == CBN_SELCHANGE) {
            m_logic.OnSpanChanged();
        }
        return true;
    case IDC_LOG_FILTER:
        if (code == CBN_SELCHANGE) {
            m_logic.OnFilterChanged();
        }
        return true;
    case IDC_LOG_SAVE:
        m_logic.OnSave();
        return true;
    case IDC_LOG_COPY:
        m_logic.OnCopy();
        return true;
    case IDC_LOG_CLOSE:
    case IDCANCEL:
        SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return true;
    default:
        return false;
    }
}

// Ctrl+C in the event list copies the selected rows whole, as the Copy button does.
bool CDeviceLogDlg::OnNotify(const NMHDR& header) {
    if (header.idFrom != IDC_LOG_EVENTS || header.code != LVN_KEYDOWN) {
        return false;
    }
    if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == 'C' && GetKeyState(VK_CONTROL) < 0) {
        m_logic.OnCopy();
    }
    return true;
}

void CDeviceLogDlg::SetItemText(int id, const std::string& text) {
    SetWindowTextW(Item(id), Widen(text).c_str());
}

void CDeviceLogDlg::AddChoice(int comboId, const std::string& text) {
    SendDlgItemMessageW(m_hwnd, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void CDeviceLogDlg::SelectChoice(int comboId, std::size_t index) {
    SendDlgItemMessageW(m_hwnd, comboId, CB_SETCURSEL, index, 0);
}

std::optional<std::size_t> CDeviceLogDlg::SelectedChoice(int comboId) const {
    const LRESULT selected = SendDlgItemMessageW(m_hwnd, comboId, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? std::nullopt : std::optional<std::size_t>(selected);
}

void CDeviceLogDlg::SetColumns(const std::vector<std::string>& titles) {
    for (std::size_t index = 0; index < titles.size(); ++index) {
        InsertColumn(Item(IDC_LOG_EVENTS), static_cast<int>(index), titles[index]);
    }
}

void CDeviceLogDlg::ShowRows(std::span<const EventRow> rows) {
    HWND list = Item(IDC_LOG_EVENTS);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        AddRow(list, static_cast<int>(row), rows[row]);
    }
    // Each column as wide as its widest text or its title, whichever is wider: a scroll bar rather than
    // clipped times and details, and a title never hidden by a column of short cells such as Seen (the
    // title width stretches the last column to the list's edge).
    for (std::size_t column = 0; column < kEventColumns.size(); ++column) {
        int width = 0;
        for (const int fit : {LVSCW_AUTOSIZE, LVSCW_AUTOSIZE_USEHEADER}) {
            SendMessageW(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(fit, 0));
            width = std::max(width, static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)));
        }
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

std::vector<std::size_t> CDeviceLogDlg::SelectedRows() const {
    std::vector<std::size_t> rows;
    HWND list = Item(IDC_LOG_EVENTS);
    for (LRESULT index = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
         index >= 0; index = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(index));
    }
    return rows;
}

void CDeviceLogDlg::CopyText(const std::string& text) {
    (void)PutOnClipboard(m_hwnd, Widen(text)); // a busy clipboard leaves the copy undone
}

std::optional<SaveChoice> CDeviceLogDlg::AskWhereToSave(const SaveQuestion& question) {
    std::wstring path = Widen(question.offeredName);
    path.resize(kPathChars, L'\0');
    const std::wstring title = Widen(question.caption);
    const std::wstring extension = Widen(question.extension);
    // Each type's text, then its pattern, each ending in a NUL; the list ends in another.
    std::wstring types;
    for (const std::string& type : question.types) {
        types += Widen(type) + L'\0' + L"*." + extension + L'\0';
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFilter = types.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathChars;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    path.resize(std::wcslen(path.c_str()));
    return SaveChoice{Narrow(path), std::max<std::size_t>(dialog.nFilterIndex, 1) - 1};
}

MessageAnswer CDeviceLogDlg::ShowMessage(const std::string& text, const std::string& caption,
                                         MessageKind kind) {
    return m_boxes.Show(m_hwnd, text, caption, kind);
}

void CDeviceLogDlg::RepaintChart() {
    InvalidateRect(Item(IDC_LOG_CHART), nullptr, TRUE);
}

void CDeviceLogDlg::StartTimer(int periodMs) {
    SetTimer(m_hwnd, kRefreshTimer, static_cast<UINT>(periodMs), nullptr);
}

void CDeviceLogDlg::StopTimer() {
    KillTimer(m_hwnd, kRefreshTimer);
}

void CDeviceLogDlg::HideWindow() {
    ShowWindow(m_hwnd, SW_HIDE);
}
