#include "DeviceLogDlg.h"

#include "AccessibleNames.h"
#include "DialogTemplateBytes.h"
#include "WideText.h"
#include "WindowPlacement.h"
#include "resources/DialogTemplates.h"
#include "resources/StringLookup.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/DeviceLogSave.h"

#include "runtime/FileReplace.h"
#include "runtime/RealTimeClock.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// Between the main window and this one.
constexpr int kGapPixels = 8;
constexpr int kColumnWidthPixels = 150;
// The longest path the save box takes.
constexpr DWORD kPathChars = 32768;

std::wstring ResourceText(int stringId) {
    return Widen(LoadStringResource(stringId));
}

// This PC's time zone now, east of UTC, for the chart's time labels.
int UtcOffsetSeconds() {
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    const LONG bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
    return static_cast<int>(-bias * 60);
}

void InsertColumn(HWND list, int index, int stringId) {
    std::wstring text = ResourceText(stringId);
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
    : m_instance(instance), m_log(log), m_boxes(boxes),
      m_planSource([this](const ChartFrame& frame) { return PlanFor(frame); }) {}

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
        const CDialogTemplateBytes bytes(*FindDialogTemplate(IDD_DEVICE_LOG));
        m_hwnd = CreateDialogIndirectParamW(m_instance, bytes.Get(), owner, DialogProc,
                                            reinterpret_cast<LPARAM>(this));
        if (m_hwnd == nullptr) {
            return;
        }
    }
    if (!IsWindowVisible(m_hwnd)) {
        MoveBeside(m_hwnd, owner, keepClear, kGapPixels);
    }
    Refresh();
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    SetTimer(m_hwnd, kRefreshTimer, kRefreshMs, nullptr);
}

INT_PTR CALLBACK CDeviceLogDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CDeviceLogDlg*>(lParam)->m_hwnd = hwnd;
    }
    auto* self = reinterpret_cast<CDeviceLogDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    // Messages of the window's creation come before WM_INITDIALOG; the defaults serve them.
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CDeviceLogDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_TIMER:
        Refresh();
        return TRUE;
    case WM_CLOSE:
        KillTimer(m_hwnd, kRefreshTimer);
        ShowWindow(m_hwnd, SW_HIDE);
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
    for (const auto& [span, text] : kSpanChoices) {
        SendDlgItemMessageW(m_hwnd, IDC_LOG_SPAN, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(ResourceText(text).c_str()));
    }
    SendDlgItemMessageW(m_hwnd, IDC_LOG_SPAN, CB_SETCURSEL, kFirstSpanChoice, 0);
    for (const auto& [filter, text] : kFilterChoices) {
        SendDlgItemMessageW(m_hwnd, IDC_LOG_FILTER, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(ResourceText(text).c_str()));
    }
    SendDlgItemMessageW(m_hwnd, IDC_LOG_FILTER, CB_SETCURSEL, 0, 0);
    HWND list = Item(IDC_LOG_EVENTS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (std::size_t index = 0; index < kEventColumns.size(); ++index) {
        InsertColumn(list, static_cast<int>(index), kEventColumns[index]);
    }
    SetChartPlanSource(Item(IDC_LOG_CHART), &m_planSource);
    SetAccessibleNames(m_hwnd, kLogAccessibleNames);
}

bool CDeviceLogDlg::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_LOG_SPAN:
        if (code == CBN_SELCHANGE) {
            InvalidateRect(Item(IDC_LOG_CHART), nullptr, TRUE);
        }
        return true;
    case IDC_LOG_FILTER:
        if (code == CBN_SELCHANGE) {
            FillList();
        }
        return true;
    case IDC_LOG_SAVE:
        SaveAsCsv();
        return true;
    case IDC_LOG_COPY:
        CopySelected();
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
        CopySelected();
    }
    return true;
}

void CDeviceLogDlg::Refresh() {
    SetWindowTextW(Item(IDC_LOG_WARNING), Widen(m_log.Warning()).c_str());
    if (m_log.Revision() != m_shownRevision) {
        FillList();
    }
    InvalidateRect(Item(IDC_LOG_CHART), nullptr, TRUE);
}

int CDeviceLogDlg::Selection(int comboId) const {
    const LRESULT selected = SendDlgItemMessageW(m_hwnd, comboId, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? 0 : static_cast<int>(selected);
}

ChartPlan CDeviceLogDlg::PlanFor(const ChartFrame& frame) const {
    const ChartSpan span = kSpanChoices[static_cast<std::size_t>(Selection(IDC_LOG_SPAN))].first;
    const std::int64_t now = RealTimeMicros();
    return PlanChart(ChartInput{.readings = m_log.History().Between(now - SpanMicros(span), now),
                                .endMicros = now,
                                .span = span,
                                .frame = frame,
                                .utcOffsetSeconds = UtcOffsetSeconds()});
}

void CDeviceLogDlg::FillList() {
    m_rows =
        ShownRows(m_log.Events(), kFilterChoices[static_cast<std::size_t>(Selection(IDC_LOG_FILTER))].first);
    m_shownRevision = m_log.Revision();
    HWND list = Item(IDC_LOG_EVENTS);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        AddRow(list, static_cast<int>(row), m_rows[row]);
    }
    // Each column as wide as its widest text, a scroll bar rather than clipped times and details; the
    // titles alone while there are none (the title width stretches the last column to the list's edge).
    const int fit = m_rows.empty() ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE;
    for (std::size_t column = 0; column < kEventColumns.size(); ++column) {
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(fit, 0));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

std::vector<EventRow> CDeviceLogDlg::SelectedRows() const {
    std::vector<EventRow> rows;
    HWND list = Item(IDC_LOG_EVENTS);
    for (LRESULT index = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
         index >= 0 && static_cast<std::size_t>(index) < m_rows.size();
         index = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED)) {
        rows.push_back(m_rows[static_cast<std::size_t>(index)]);
    }
    return rows;
}

void CDeviceLogDlg::SaveAsCsv() {
    std::wstring path = Widen(DefaultCsvName(m_log.Address(), RealTimeMicros()));
    path.resize(kPathChars, L'\0');
    const std::wstring title = ResourceText(IDS_LOG_SAVE_CAPTION);
    // Each type's text, then its pattern, each ending in a NUL; the list ends in another.
    std::wstring types;
    for (const auto& [content, text] : kCsvChoices) {
        types += ResourceText(text) + L'\0' + L"*." + Widen(kCsvExtension) + L'\0';
    }
    const std::wstring extension = Widen(kCsvExtension);
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
        return;
    }
    path.resize(std::wcslen(path.c_str()));
    const std::size_t type = std::clamp<std::size_t>(dialog.nFilterIndex, 1, kCsvChoices.size()) - 1;
    const ChartSpan span = kSpanChoices[static_cast<std::size_t>(Selection(IDC_LOG_SPAN))].first;
    const std::int64_t now = RealTimeMicros();
    const std::string csv =
        CsvOf(kCsvChoices[type].first, m_rows, m_log.History().Between(now - SpanMicros(span), now));
    std::string error;
    if (!ReplaceWholeFile(Narrow(path), csv, LinkAtPath::Refuse, error)) {
        m_boxes.Show(m_hwnd, FillIn(LoadStringResource(IDS_LOG_SAVE_FAILED), {error}),
                     LoadStringResource(IDS_ERROR), MessageKind::Error);
    }
}

void CDeviceLogDlg::CopySelected() {
    const std::vector<EventRow> rows = SelectedRows();
    if (!rows.empty()) {
        (void)PutOnClipboard(m_hwnd, Widen(RowsText(rows))); // a busy clipboard leaves the copy undone
    }
}
