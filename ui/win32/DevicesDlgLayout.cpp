#include "DevicesDlgLayout.h"

#include "resources/resource.h"

#include <windows.h>

#include <commctrl.h>

namespace {

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr std::uint32_t kLabel = kChild | SS_LEFT;
constexpr std::uint32_t kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr std::uint32_t kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr std::uint32_t kDropDown = kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
// A virtual list: the window keeps no copy of the rows, which the logic hands out as they are painted.
constexpr std::uint32_t kTable =
    kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;

// Rows of the layout, top to bottom.
constexpr int kAddRow = 7;
constexpr int kFilterRow = 25;
constexpr int kTableTop = 43;
constexpr int kTableHeight = 170;
constexpr int kSummaryRow = 217;
constexpr int kBottomRow = 229;
constexpr int kLabelDrop = 3; // a label's text level with the box beside it
constexpr int kHeight = 14;

constexpr DialogControlTemplate kControls[] = {
    {IDC_DEVICES_ADD_LABEL, ControlClass::Static, "", 0, kLabel, {7, kAddRow + kLabelDrop, 80, 8}},
    {IDC_DEVICES_ADD_BOX, ControlClass::Edit, "", 0, kEdit, {90, kAddRow, 150, kHeight}},
    {IDC_DEVICES_ADD, ControlClass::Button, "", 0, kButton, {244, kAddRow, 50, kHeight}},
    {IDC_DEVICES_ADD_FILE, ControlClass::Button, "", 0, kButton, {298, kAddRow, 70, kHeight}},
    {IDC_DEVICES_ADD_FOUND, ControlClass::Button, "", 0, kButton, {372, kAddRow, 70, kHeight}},
    {IDC_DEVICES_FILTER_LABEL, ControlClass::Static, "", 0, kLabel, {7, kFilterRow + kLabelDrop, 30, 8}},
    {IDC_DEVICES_FILTER, ControlClass::Edit, "", 0, kEdit, {40, kFilterRow, 120, kHeight}},
    {IDC_DEVICES_FILTER_COLUMN, ControlClass::ComboBox, "", 0, kDropDown, {164, kFilterRow, 90, 160}},
    {IDC_DEVICES_SORT_LABEL, ControlClass::Static, "", 0, kLabel, {262, kFilterRow + kLabelDrop, 34, 8}},
    {IDC_DEVICES_SORT, ControlClass::ComboBox, "", 0, kDropDown, {298, kFilterRow, 144, 200}},
    {IDC_DEVICES_TABLE, ControlClass::ListView, "", 0, kTable, {7, kTableTop, 466, kTableHeight}},
    {IDC_DEVICES_SUMMARY, ControlClass::Static, "", 0, kLabel | SS_NOPREFIX, {7, kSummaryRow, 466, 8}},
    {IDC_DEVICES_NAME_LABEL, ControlClass::Static, "", 0, kLabel, {7, kBottomRow + kLabelDrop, 25, 8}},
    {IDC_DEVICES_NAME, ControlClass::Edit, "", 0, kEdit, {34, kBottomRow, 100, kHeight}},
    {IDC_DEVICES_SET_NAME, ControlClass::Button, "", 0, kButton, {138, kBottomRow, 50, kHeight}},
    {IDC_DEVICES_REMOVE, ControlClass::Button, "", 0, kButton, {192, kBottomRow, 50, kHeight}},
    {IDC_DEVICES_REMOVE_ALL, ControlClass::Button, "", 0, kButton, {246, kBottomRow, 50, kHeight}},
    {IDC_DEVICES_INTERVAL_LABEL, ControlClass::Static, "", 0, kLabel, {300, kBottomRow + kLabelDrop, 60, 8}},
    {IDC_DEVICES_INTERVAL, ControlClass::Edit, "", 0, kEdit | ES_NUMBER, {362, kBottomRow, 30, kHeight}},
    {IDC_DEVICES_CLOSE, ControlClass::Button, "", 0, kButton, {423, kBottomRow, 50, kHeight}},
};

constexpr int kBottomControls[] = {
    IDC_DEVICES_SUMMARY,        IDC_DEVICES_NAME_LABEL, IDC_DEVICES_NAME,
    IDC_DEVICES_SET_NAME,       IDC_DEVICES_REMOVE,     IDC_DEVICES_REMOVE_ALL,
    IDC_DEVICES_INTERVAL_LABEL, IDC_DEVICES_INTERVAL,   IDC_DEVICES_CLOSE,
};

// Hidden until the main window shows it: its devices are watched from the program's start.
constexpr DialogTemplate kTemplate = {
    IDD_DEVICES,
    true,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT,
    WS_EX_APPWINDOW,
    {0, 0, 480, kBottomRow + kHeight + 7},
    "",
    "MS Sans Serif",
    8,
    0,
    false,
    DEFAULT_CHARSET,
    kControls,
};

} // namespace

const DialogTemplate& DevicesDialogTemplate() {
    return kTemplate;
}

std::span<const int> DevicesBottomControls() {
    return kBottomControls;
}
