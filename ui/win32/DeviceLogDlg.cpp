#include "DeviceLogDlg.h"

#include "AccessibleNames.h"
#include "Clipboard.h"
#include "ComboChoices.h"
#include "ListViewText.h"
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
// The longest path the save box takes.
constexpr DWORD kPathChars = 32768;

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
    m_logic.OnShow();
    ShowBesideOwner(m_hwnd, owner, keepClear);
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
    AddComboChoice(m_hwnd, comboId, text);
}

void CDeviceLogDlg::SelectChoice(int comboId, std::size_t index) {
    SelectComboChoice(m_hwnd, comboId, index);
}

std::optional<std::size_t> CDeviceLogDlg::SelectedChoice(int comboId) const {
    return SelectedComboChoice(m_hwnd, comboId);
}

void CDeviceLogDlg::SetColumns(const std::vector<std::string>& titles) {
    for (std::size_t index = 0; index < titles.size(); ++index) {
        InsertListColumn(Item(IDC_LOG_EVENTS), static_cast<int>(index), titles[index]);
    }
}

void CDeviceLogDlg::ShowRows(std::span<const EventRow> rows) {
    HWND list = Item(IDC_LOG_EVENTS);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const auto cells = rows[row].Cells();
        InsertListRow(list, static_cast<int>(row), {cells.begin(), cells.end()});
    }
    // Whole times and details, and the Seen title never hidden by its short cells.
    FitListColumns(list, kEventColumns.size());
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
