#include "DevicesDlg.h"

#include "AccessibleNames.h"
#include "ComboChoices.h"
#include "ConfigDlg.h"
#include "DevicesDlgLayout.h"
#include "FindDlg.h"
#include "LocalNetworks.h"
#include "PostedReport.h"
#include "WideText.h"
#include "WindowPlacement.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/SearchNetworkCheck.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

namespace {

// The accessible names of the controls that no label names.
constexpr AccessibleName kDevicesAccessibleNames[] = {
    {IDC_DEVICES_TABLE, IDS_DEVICES_NAME_TABLE},
    {IDC_DEVICES_FILTER_COLUMN, IDS_DEVICES_NAME_FILTER_COLUMN},
};

// The narrowest a column starts, in dialog units: an address fits.
constexpr int kLeastColumnDialogUnits = 60;
// Beside a column's title: its margins and the sort mark.
constexpr int kTitleRoomDialogUnits = 24;
// The longest path the open box takes.
constexpr DWORD kOpenPathChars = 32768;

// The state's shade as the list takes it.
std::optional<COLORREF> ListShadeOf(StateColour colour) {
    const std::optional<std::uint32_t> shade = ShadeOf(colour);
    if (!shade) {
        return std::nullopt;
    }
    return RGB((*shade >> 16) & 0xff, (*shade >> 8) & 0xff, *shade & 0xff);
}

void SetRowState(HWND list, WPARAM row, UINT state, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

} // namespace

CDevicesDlg::CDevicesDlg(HINSTANCE instance, HWND owner, CConfigDlg& mainWindow, CMessageBoxes& boxes,
                         DevicesEnvironment environment)
    : m_instance(instance), m_mainWindow(mainWindow), m_boxes(boxes),
      m_logic(
          *this, m_store, LoadStringResource,
          [this](CWorkerThread& fleet, StateReport report) {
              if (HWND window = m_postTo.load()) {
                  PostReport(window, fleet, report);
              }
          },
          std::move(environment)) {
    (void)Create(m_instance, DevicesDialogTemplate(), owner); // without it, Window() stays null
}

CDevicesDlg::~CDevicesDlg() {
    m_postTo = nullptr;
    if (m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
}

void CDevicesDlg::Show() {
    if (m_hwnd == nullptr) {
        return;
    }
    if (!m_placed) {
        CentreOverOwner(m_hwnd);
        m_placed = true;
    }
    if (IsIconic(m_hwnd)) {
        ::ShowWindow(m_hwnd, SW_RESTORE);
    }
    ::ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    FocusItem(IDC_DEVICES_TABLE);
}

INT_PTR CDevicesDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return FALSE; // hidden: the focus is given when the window is shown
    case WM_APP:
        if (reinterpret_cast<const CWorkerThread*>(wParam) == m_logic.Fleet()) {
            m_logic.OnFleetNews();
        }
        return TRUE;
    case WM_TIMER:
        m_logic.OnTimer(static_cast<int>(wParam));
        return TRUE;
    case WM_CLOSE:
        m_logic.OnClose();
        return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {m_leastSize.cx, m_leastSize.cy};
        return TRUE;
    case WM_DESTROY:
        m_postTo = nullptr;
        ClearAccessibleNames(m_hwnd, kDevicesAccessibleNames);
        // With its owner, the main window, when that goes first.
        m_hwnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void CDevicesDlg::OnInitDialog() {
    OnInitLayout();
    SendMessageW(Item(IDC_DEVICES_TABLE), LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    SetAccessibleNames(m_hwnd, kDevicesAccessibleNames);
    m_postTo = m_hwnd;
    m_logic.SetAlarmsOn(m_mainWindow.Logic().AlarmsOn());
    m_logic.Start();
    m_logic.OnInitDialog();
}

void CDevicesDlg::OnInitLayout() {
    GetClientRect(m_hwnd, &m_laidOutClient);
    const auto clientRect = [this](int id) {
        RECT rect{};
        GetWindowRect(Item(id), &rect);
        MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    m_laidOutTable = clientRect(IDC_DEVICES_TABLE);
    for (const int id : DevicesBottomControls()) {
        m_laidOutBottom.emplace_back(id, clientRect(id));
    }
    RECT window{};
    GetWindowRect(m_hwnd, &window);
    m_leastSize = {window.right - window.left, window.bottom - window.top};
}

// The table takes what the window grew by; the controls under it move down with the bottom edge, the
// summary line widening with the table.
void CDevicesDlg::OnSize(int width, int height) {
    if (m_laidOutBottom.empty()) {
        return;
    }
    const int grownX = std::max(0, width - static_cast<int>(m_laidOutClient.right));
    const int grownY = std::max(0, height - static_cast<int>(m_laidOutClient.bottom));
    const RECT& table = m_laidOutTable;
    MoveWindow(Item(IDC_DEVICES_TABLE), table.left, table.top, table.right - table.left + grownX,
               table.bottom - table.top + grownY, TRUE);
    for (const auto& [id, rect] : m_laidOutBottom) {
        const int widened = id == IDC_DEVICES_SUMMARY ? grownX : 0;
        MoveWindow(Item(id), rect.left, rect.top + grownY, rect.right - rect.left + widened,
                   rect.bottom - rect.top, TRUE);
    }
}

bool CDevicesDlg::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDOK:
        OnEnter();
        return true;
    case IDCANCEL:
    case IDC_DEVICES_CLOSE:
        m_logic.OnClose();
        return true;
    case IDC_DEVICES_ADD:
        m_logic.OnAdd();
        return true;
    case IDC_DEVICES_ADD_FILE:
        m_logic.OnAddFromFile();
        return true;
    case IDC_DEVICES_ADD_FOUND:
        m_logic.OnAddFound();
        return true;
    case IDC_DEVICES_REMOVE:
        m_logic.OnRemove();
        return true;
    case IDC_DEVICES_REMOVE_ALL:
        m_logic.OnRemoveAll();
        return true;
    case IDC_DEVICES_SET_NAME:
        m_logic.OnSetName();
        return true;
    case IDC_DEVICES_FILTER:
        if (code == EN_CHANGE) {
            m_logic.OnFilterChanged();
        }
        return true;
    case IDC_DEVICES_FILTER_COLUMN:
        if (code == CBN_SELCHANGE) {
            m_logic.OnFilterChanged();
        }
        return true;
    case IDC_DEVICES_SORT:
        if (code == CBN_SELCHANGE) {
            m_logic.OnSortChosen();
        }
        return true;
    case IDC_DEVICES_INTERVAL:
        if (code == EN_KILLFOCUS) {
            OnIntervalLeft();
        }
        return true;
    default:
        return false;
    }
}

void CDevicesDlg::OnEnter() {
    const HWND focus = GetFocus();
    if (focus == Item(IDC_DEVICES_ADD_BOX)) {
        m_logic.OnAdd();
    } else if (focus == Item(IDC_DEVICES_NAME)) {
        m_logic.OnSetName();
    } else if (focus == Item(IDC_DEVICES_INTERVAL)) {
        OnIntervalLeft();
    } else if (focus == Item(IDC_DEVICES_TABLE)) {
        const LRESULT row = SendMessageW(focus, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
        if (row >= 0) {
            m_logic.OnActivated(static_cast<std::size_t>(row));
        }
    }
}

// The message box of a wrong interval takes the focus from the box: that is no second leaving.
void CDevicesDlg::OnIntervalLeft() {
    if (m_checkingInterval) {
        return;
    }
    m_checkingInterval = true;
    m_logic.OnIntervalChanged();
    m_checkingInterval = false;
}

bool CDevicesDlg::OnNotify(NMHDR& header) {
    if (header.idFrom != IDC_DEVICES_TABLE) {
        return false;
    }
    switch (header.code) {
    case LVN_GETDISPINFOW:
        FillCell(reinterpret_cast<NMLVDISPINFOW&>(header));
        return true;
    case NM_CUSTOMDRAW:
        return Answer(OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header))) != FALSE;
    case LVN_COLUMNCLICK:
        m_logic.OnSortBy(static_cast<DeviceColumn>(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem));
        return true;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        OnSelectionNotified();
        return true;
    case NM_DBLCLK:
        if (const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem; row >= 0) {
            m_logic.OnActivated(static_cast<std::size_t>(row));
        }
        return true;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
            m_logic.OnRemove();
        }
        return true;
    default:
        return false;
    }
}

void CDevicesDlg::FillCell(NMLVDISPINFOW& info) const {
    const auto row = static_cast<std::size_t>(info.item.iItem);
    const auto column = static_cast<std::size_t>(info.item.iSubItem);
    if ((info.item.mask & LVIF_TEXT) == 0 || info.item.cchTextMax <= 0) {
        return;
    }
    // The list may ask for a row it counted before the table last changed.
    const std::string& text = row < m_logic.RowCount() && column < kDeviceColumnCount
                                  ? m_logic.Row(row).cells[column]
                                  : std::string();
    CopyTruncated(info.item.pszText, static_cast<std::size_t>(info.item.cchTextMax), Widen(text));
}

// The state's shade behind its words; every other cell keeps the list's colours.
LRESULT CDevicesDlg::OnCustomDraw(NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        const bool stateCell = draw.iSubItem == static_cast<int>(DeviceColumn::State);
        const std::optional<COLORREF> shade =
            stateCell && row < m_logic.RowCount() ? ListShadeOf(m_logic.Row(row).colour) : std::nullopt;
        draw.clrTextBk = shade.value_or(CLR_DEFAULT);
        draw.clrText = shade ? RGB(0, 0, 0) : CLR_DEFAULT;
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void CDevicesDlg::OnSelectionNotified() {
    if (!m_changingRows) {
        m_logic.OnSelectionChanged();
    }
}

INT_PTR CDevicesDlg::Answer(LRESULT result) {
    SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

std::string CDevicesDlg::ItemText(int id) const {
    return WindowText(Item(id));
}

void CDevicesDlg::SetItemText(int id, const std::string& text) {
    SetWindowTextW(id == IDD_DEVICES ? m_hwnd : Item(id), Widen(text).c_str());
}

void CDevicesDlg::EnableItem(int id, bool enabled) {
    HWND item = Item(id);
    // A disabled control keeps the focus and the keyboard would be dead: the table takes it.
    if (!enabled && GetFocus() == item) {
        FocusItem(IDC_DEVICES_TABLE);
    }
    EnableWindow(item, enabled);
}

void CDevicesDlg::FocusItem(int id) {
    SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void CDevicesDlg::AddChoice(int comboId, const std::string& text) {
    AddComboChoice(m_hwnd, comboId, text);
}

void CDevicesDlg::SelectChoice(int comboId, std::size_t index) {
    SelectComboChoice(m_hwnd, comboId, index);
}

std::optional<std::size_t> CDevicesDlg::SelectedChoice(int comboId) const {
    return SelectedComboChoice(m_hwnd, comboId);
}

void CDevicesDlg::SetColumns(const std::vector<std::string>& titles) {
    HWND list = Item(IDC_DEVICES_TABLE);
    // Both widths at once: the room in left, the least width in right.
    RECT least{kTitleRoomDialogUnits, 0, kLeastColumnDialogUnits, 0};
    MapDialogRect(m_hwnd, &least);
    for (std::size_t index = 0; index < titles.size(); ++index) {
        std::wstring text = Widen(titles[index]);
        // A title wider than the least width is shown whole, with room for the sort mark.
        const auto titleWidth = static_cast<int>(
            SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = std::max<int>(least.right, titleWidth + least.left);
        column.pszText = text.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    }
}

void CDevicesDlg::ResetRows() {
    m_changingRows = true;
    HWND list = Item(IDC_DEVICES_TABLE);
    SendMessageW(list, LVM_SETITEMCOUNT, m_logic.RowCount(), LVSICF_NOSCROLL);
    InvalidateRect(list, nullptr, FALSE);
    m_changingRows = false;
}

void CDevicesDlg::UpdateRows(std::size_t first, std::size_t last) {
    SendMessageW(Item(IDC_DEVICES_TABLE), LVM_REDRAWITEMS, first, static_cast<LPARAM>(last));
}

void CDevicesDlg::ShowSort(DeviceColumn column, bool ascending) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(Item(IDC_DEVICES_TABLE), LVM_GETHEADER, 0, 0));
    for (std::size_t index = 0; index < kDeviceColumnCount; ++index) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, index, reinterpret_cast<LPARAM>(&item))) {
            continue;
        }
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (index == static_cast<std::size_t>(column)) {
            item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        }
        SendMessageW(header, HDM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<std::size_t> CDevicesDlg::SelectedRows() const {
    std::vector<std::size_t> rows;
    HWND list = Item(IDC_DEVICES_TABLE);
    for (LRESULT index = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
         index >= 0; index = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(index));
    }
    return rows;
}

void CDevicesDlg::SelectRows(const std::vector<std::size_t>& rows) {
    m_changingRows = true;
    HWND list = Item(IDC_DEVICES_TABLE);
    SetRowState(list, static_cast<WPARAM>(-1), 0, LVIS_SELECTED);
    for (const std::size_t row : rows) {
        SetRowState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (!rows.empty()) {
        SetRowState(list, rows.front(), LVIS_FOCUSED, LVIS_FOCUSED);
        SendMessageW(list, LVM_ENSUREVISIBLE, rows.front(), FALSE);
    }
    m_changingRows = false;
}

std::optional<std::string> CDevicesDlg::AskFileToOpen(const std::string& caption) {
    std::wstring path(kOpenPathChars, L'\0');
    const std::wstring title = Widen(caption);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kOpenPathChars;
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog)) {
        return std::nullopt;
    }
    path.resize(std::wcslen(path.c_str()));
    return Narrow(path);
}

std::vector<std::string> CDevicesDlg::FindDevices() {
    CConfigDlgLogic& main = m_mainWindow.Logic();
    CFindDlg find(m_instance, m_boxes, NetworkToOffer(main.LastSearchedNetwork(), LocalNetworks()));
    const INT_PTR result = find.DoModal(m_hwnd);
    main.OnNetworkSearched(find.Logic().SearchedNetwork());
    return find.Logic().AddressesToList(static_cast<int>(result));
}

MessageAnswer CDevicesDlg::ShowMessage(const std::string& text, const std::string& caption,
                                       MessageKind kind) {
    return m_boxes.Show(m_hwnd, text, caption, kind);
}

void CDevicesDlg::StartTimer(int timerId, int periodMs) {
    SetTimer(m_hwnd, static_cast<UINT_PTR>(timerId), static_cast<UINT>(periodMs), nullptr);
}

void CDevicesDlg::StopTimer(int timerId) {
    KillTimer(m_hwnd, static_cast<UINT_PTR>(timerId));
}

void CDevicesDlg::RaiseAlarm(const Alarm& alarm) {
    m_mainWindow.RaiseAlarm(alarm);
}

void CDevicesDlg::WithdrawAlarm(const Alarm& alarm) {
    m_mainWindow.WithdrawAlarm(alarm);
}

void CDevicesDlg::ConnectMainWindow(const std::string& address) {
    m_mainWindow.Logic().ConnectToFound(address);
    // The user chose the device to see it there.
    HWND mainWindow = GetWindow(m_hwnd, GW_OWNER);
    if (IsIconic(mainWindow)) {
        ::ShowWindow(mainWindow, SW_RESTORE);
    }
    SetForegroundWindow(mainWindow);
}

void CDevicesDlg::HideWindow() {
    ::ShowWindow(m_hwnd, SW_HIDE);
}
