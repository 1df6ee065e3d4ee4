#include "FindDlg.h"

#include "PostedReport.h"
#include "WideText.h"
#include "WindowPlacement.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <utility>

namespace {

constexpr int kColumnIds[] = {IDS_FIND_COLUMN_ADDRESS, IDS_FIND_COLUMN_FIRMWARE, IDS_FIND_COLUMN_PORTS};
constexpr UINT_PTR kCountSubclass = 1;

// Paints the bar's text, the count of addresses tried, over the bar, which draws none of its own.
LRESULT CALLBACK CountedProgressProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        (void)RemoveWindowSubclass(bar, CountedProgressProc, kCountSubclass); // the bar goes either way
    }
    const LRESULT result = DefSubclassProc(bar, message, wParam, lParam);
    wchar_t text[64];
    if (message != WM_PAINT || GetWindowTextW(bar, text, static_cast<int>(std::size(text))) == 0) {
        return result;
    }
    HDC dc = GetDC(bar);
    RECT client{};
    GetClientRect(bar, &client);
    const HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(GetParent(bar), WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(bar, dc);
    return result;
}

} // namespace

CFindDlg::CFindDlg(HINSTANCE instance, CMessageBoxes& boxes, std::string network)
    : m_instance(instance), m_boxes(boxes), m_network(std::move(network)),
      m_logic(*this,
              [this](CWorkerThread& search, StateReport report) { PostReport(m_hwnd, search, report); }) {}

INT_PTR CFindDlg::DoModal(HWND owner) {
    return RunModal(m_instance, IDD_FIND_DIALOG, owner);
}

INT_PTR CFindDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_APP:
        m_logic.OnSearchState(UnpackReport(lParam));
        return TRUE;
    case WM_CLOSE:
        m_logic.OnClose();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CFindDlg::OnInitDialog() {
    CentreOverOwner(m_hwnd);
    AddColumns();
    // Refused, the bar goes on without its count.
    (void)SetWindowSubclass(Item(IDC_FIND_PROGRESS), CountedProgressProc, kCountSubclass, 0);
    m_logic.OnInitDialog(m_network);
    return TRUE; // the dialog manager gives the focus to the first tab stop, the network box
}

void CFindDlg::AddColumns() {
    HWND list = Item(IDC_FIND_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    const int width = (client.right - client.left) / static_cast<int>(std::size(kColumnIds));
    for (int index = 0; index < static_cast<int>(std::size(kColumnIds)); ++index) {
        std::wstring title = Widen(LoadStringResource(kColumnIds[index]));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = width;
        column.pszText = title.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    }
}

bool CFindDlg::OnCommand(int id, int code) {
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_FIND_SEARCH:
        m_logic.OnSearch();
        return true;
    case IDC_FIND_CONNECT:
        m_logic.OnConnect();
        return true;
    case IDCANCEL: // Close and Esc
        m_logic.OnClose();
        return true;
    case IDOK: // Enter: on a device of the list connects to it, elsewhere searches
        if (GetFocus() == Item(IDC_FIND_LIST)) {
            m_logic.OnConnect();
        } else {
            m_logic.OnNetworkEnter();
        }
        return true;
    default:
        return false;
    }
}

bool CFindDlg::OnNotify(const NMHDR& header) {
    if (header.idFrom != IDC_FIND_LIST || header.code != NM_DBLCLK) {
        return false;
    }
    const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
    if (row >= 0) {
        m_logic.OnFoundActivated(static_cast<std::size_t>(row));
    }
    return true;
}

std::string CFindDlg::ItemText(int id) const {
    return WindowText(Item(id));
}

void CFindDlg::SetItemText(int id, const std::string& text) {
    SetDlgItemTextW(m_hwnd, id, Widen(text).c_str());
}

void CFindDlg::EnableItem(int id, bool enabled) {
    EnableWindow(Item(id), enabled ? TRUE : FALSE);
}

void CFindDlg::FocusItem(int id) {
    // The dialog's own way, so that the default button follows the focus.
    SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void CFindDlg::SetProgress(std::size_t tried, std::size_t total) {
    HWND bar = Item(IDC_FIND_PROGRESS);
    SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(tried), 0);
    // As the Qt bar shows it; nothing before a search.
    const std::wstring count =
        total > 0 ? std::to_wstring(tried) + L" / " + std::to_wstring(total) : std::wstring();
    SetWindowTextW(bar, count.c_str());
    InvalidateRect(bar, nullptr, TRUE);
}

void CFindDlg::ClearFoundDevices() {
    SendMessageW(Item(IDC_FIND_LIST), LVM_DELETEALLITEMS, 0, 0);
}

void CFindDlg::InsertFoundDevice(std::size_t at, const FoundDeviceRow& row) {
    HWND list = Item(IDC_FIND_LIST);
    const std::string* cells[] = {&row.address, &row.firmware, &row.ports};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(at);
    std::wstring text = Widen(*cells[0]);
    item.pszText = text.data();
    const auto index =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = 1; column < static_cast<int>(std::size(cells)); ++column) {
        text = Widen(*cells[column]);
        item.iSubItem = column;
        item.pszText = text.data();
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

std::optional<std::size_t> CFindDlg::SelectedFoundDevice() const {
    const auto row = static_cast<int>(
        SendMessageW(Item(IDC_FIND_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt;
}

MessageAnswer CFindDlg::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
    return m_boxes.Show(m_hwnd, text, caption, kind);
}

void CFindDlg::EndDialog(int result) {
    ::EndDialog(m_hwnd, result);
}
