// The dialogs Windows makes from the built templates must be the templates' data: every control's id,
// class, style, text and rectangle, so that the in-memory form cannot drift from DialogTemplates.cpp.
#include "resources/DialogTemplates.h"
#include "resources/WindowStyles.h"
#include "resources/resource.h"
#include "ui/win32/ChartControl.h"
#include "ui/win32/DialogTemplateBytes.h"
#include "ui/win32/WideText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

const wchar_t* ExpectedClass(ControlClass controlClass) {
    switch (controlClass) {
    case ControlClass::Button:
        return L"Button";
    case ControlClass::Edit:
        return L"Edit";
    case ControlClass::ComboBox:
        return L"ComboBox";
    case ControlClass::ListView:
        return L"SysListView32";
    case ControlClass::ProgressBar:
        return L"msctls_progress32";
    case ControlClass::Chart:
        return L"VantrexChart";
    case ControlClass::Static:
        break;
    }
    return L"Static";
}

RECT InDialog(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The dialog manager converts position and size each on its own.
RECT DialogUnitsToPixels(HWND dialog, const DialogRect& units) {
    RECT converted{units.x, units.y, units.width, units.height};
    MapDialogRect(dialog, &converted);
    return {converted.left, converted.top, converted.left + converted.right,
            converted.top + converted.bottom};
}

// Windows gives a control of a dialog the sunken edge instead of the flat border its template asks for,
// and a drop-down hands its scroll bar on to its list.
std::uint32_t CreatedStyle(const DialogControlTemplate& control) {
    const std::uint32_t style = control.style & ~kWsBorder;
    return control.controlClass == ControlClass::ComboBox ? style & ~kWsVScroll : style;
}

// The image statics take their picture's size, so only their position is the template's.
bool TakesImageSize(const DialogControlTemplate& control) {
    return control.imageId != 0;
}

// A closed drop-down is as high as its edit needs; its template height is the open list's.
bool TakesItsOwnHeight(const DialogControlTemplate& control) {
    return control.controlClass == ControlClass::ComboBox;
}

class DialogTemplateDrift : public testing::TestWithParam<int> {};

TEST_P(DialogTemplateDrift, CreatedDialogHoldsTheTemplatesControls) {
    // The lists and the progress bar are common controls and the chart is the program's own, registered
    // as the program does.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    ASSERT_TRUE(RegisterChartClass(GetModuleHandleW(nullptr)));
    const DialogTemplate& data = *FindDialogTemplate(GetParam());
    const CDialogTemplateBytes bytes(data);
    HWND dialog =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), bytes.Get(), nullptr, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();

    EXPECT_EQ(WideWindowText(dialog), Widen(data.title));
    const std::uint32_t dialogStyle = static_cast<std::uint32_t>(GetWindowLongW(dialog, GWL_STYLE));
    EXPECT_EQ(dialogStyle & data.style, data.style); // the system may add bits of its own
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(dialog, GWL_EXSTYLE)) & data.exStyle, data.exStyle);
    RECT client;
    GetClientRect(dialog, &client);
    const RECT expectedClient = DialogUnitsToPixels(dialog, {0, 0, data.rect.width, data.rect.height});
    EXPECT_EQ(client.right, expectedClient.right);
    EXPECT_EQ(client.bottom, expectedClient.bottom);

    // The children in Z-order are the controls in template order.
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const DialogControlTemplate& control : data.controls) {
        SCOPED_TRACE(testing::Message() << "control " << control.id << " \"" << control.text << "\"");
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), control.id);
        EXPECT_EQ(lstrcmpiW(ClassName(child).c_str(), ExpectedClass(control.controlClass)), 0)
            << Narrow(ClassName(child));
        EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(child, GWL_STYLE)), CreatedStyle(control));
        if (!TakesImageSize(control)) {
            EXPECT_EQ(WindowText(child), control.text);
        }
        const RECT actual = InDialog(dialog, child);
        const RECT expected = DialogUnitsToPixels(dialog, control.rect);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        if (!TakesImageSize(control)) {
            EXPECT_EQ(actual.right, expected.right);
        }
        if (!TakesImageSize(control) && !TakesItsOwnHeight(control)) {
            EXPECT_EQ(actual.bottom, expected.bottom);
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "a control the template does not have";
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, DialogTemplateDrift,
                         testing::Values(IDD_ABOUTBOX, IDD_CONFIG_DIALOG, IDD_FIND_DIALOG, IDD_DEVICE_LOG,
                                         IDD_DEVICE_ANSWERS));

} // namespace
