#include "AnswersDlg.h"

#include "AccessibleNames.h"
#include "Clipboard.h"
#include "ListViewText.h"
#include "WideText.h"
#include "WindowPlacement.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT_PTR kAnswersRefreshTimer = 1;

// Windows' controls break lines at CR LF.
std::wstring WindowsLines(const std::string& text) {
    std::wstring lines;
    for (const wchar_t c : Widen(text)) {
        if (c == L'\n') {
            lines.push_back(L'\r');
        }
        lines.push_back(c);
    }
    return lines;
}

} // namespace

CAnswersDlg::CAnswersDlg(HINSTANCE instance, AnswersSource source)
    : m_instance(instance), m_logic(*this, std::move(source)) {}

CAnswersDlg::~CAnswersDlg() {
    if (m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
}

void CAnswersDlg::ShowBeside(HWND owner, const RECT& keepClear) {
    if (m_hwnd == nullptr) {
        if (!Create(m_instance, *FindDialogTemplate(IDD_DEVICE_ANSWERS), owner)) {
            return;
        }
    }
    m_logic.OnShow();
    ShowBesideOwner(m_hwnd, owner, keepClear);
}

INT_PTR CAnswersDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
        return OnCommand(LOWORD(wParam));
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY:
        ClearAccessibleNames(m_hwnd, kAnswersAccessibleNames);
        // With its owner, the main window, when that goes first.
        m_hwnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void CAnswersDlg::OnInitDialog() {
    for (const int list : {IDC_ANSWERS_EXCHANGES, IDC_ANSWERS_PEERS}) {
        SendMessageW(Item(list), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    }
    m_logic.OnInitDialog();
    SetAccessibleNames(m_hwnd, kAnswersAccessibleNames);
}

bool CAnswersDlg::OnCommand(WORD id) {
    switch (id) {
    case IDC_ANSWERS_COPY:
        m_logic.OnCopy();
        return true;
    case IDC_ANSWERS_CLOSE:
    case IDCANCEL:
        SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return true;
    default:
        return false;
    }
}

bool CAnswersDlg::OnNotify(const NMHDR& header) {
    if (header.idFrom != IDC_ANSWERS_EXCHANGES || header.code != LVN_ITEMCHANGED || m_bFilling) {
        return false;
    }
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) != 0 && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) != 0) {
        m_logic.OnSelectionChanged();
    }
    return true;
}

void CAnswersDlg::SetItemText(int id, const std::string& text) {
    SetWindowTextW(Item(id), WindowsLines(text).c_str());
}

void CAnswersDlg::SetColumns(int listId, const std::vector<std::string>& titles) {
    for (std::size_t index = 0; index < titles.size(); ++index) {
        InsertListColumn(Item(listId), static_cast<int>(index), titles[index]);
    }
}

void CAnswersDlg::ShowRows(int listId, const std::vector<ListRow>& rows) {
    HWND list = Item(listId);
    m_bFilling = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    std::size_t columns = 0;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::vector<const std::string*> cells;
        for (const std::string& cell : rows[row]) {
            cells.push_back(&cell);
        }
        InsertListRow(list, static_cast<int>(row), cells);
        columns = std::max(columns, cells.size());
    }
    // The last column, the answer or the jitter, takes what is left.
    FitListColumns(list, columns == 0 ? 0 : columns - 1);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    m_bFilling = false;
}

void CAnswersDlg::SelectRow(int listId, std::size_t index) {
    m_bFilling = true;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Item(listId), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    m_bFilling = false;
}

std::optional<std::size_t> CAnswersDlg::SelectedRow(int listId) const {
    const LRESULT index = SendMessageW(Item(listId), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return index < 0 ? std::nullopt : std::optional<std::size_t>(index);
}

void CAnswersDlg::CopyText(const std::string& text) {
    (void)PutOnClipboard(m_hwnd, WindowsLines(text)); // a busy clipboard leaves the copy undone
}

void CAnswersDlg::StartTimer(int periodMs) {
    SetTimer(m_hwnd, kAnswersRefreshTimer, static_cast<UINT>(periodMs), nullptr);
}

void CAnswersDlg::StopTimer() {
    KillTimer(m_hwnd, kAnswersRefreshTimer);
}

void CAnswersDlg::HideWindow() {
    ShowWindow(m_hwnd, SW_HIDE);
}
