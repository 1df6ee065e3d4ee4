// A lamp as the refresh drives it, four times a second, on a static control that copies bitmaps with
// alpha, as Windows' does: shown again, it does nothing; changed, it leaves no image of its own behind.
// Its tip goes to a real tooltip control.
#include "ui/win32/LampControl.h"
#include "ui/win32/GdiObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace {

constexpr int kSide = 4;

// A 32-bit bitmap whose every pixel has alpha: the kind a static control keeps a copy of.
HBITMAP CreateAlphaBitmap(std::uint32_t rgb) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSide, kSide, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        std::fill_n(static_cast<std::uint32_t*>(bits), kSide * kSide, 0x80000000u | rgb);
    }
    return bitmap;
}

HBITMAP ImageOf(HWND control) {
    return reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

TEST(LampControl, ShowsEachChangeOnceAndDeletesTheControlsOwnImages) {
    CGdiObject<HBITMAP> red(CreateAlphaBitmap(0xFF0000));
    CGdiObject<HBITMAP> green(CreateAlphaBitmap(0x00FF00));
    ASSERT_NE(red.Get(), nullptr);
    ASSERT_NE(green.Get(), nullptr);
    HWND control = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | SS_BITMAP, 0, 0, kSide, kSide, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(control, nullptr);
    CLampControl lamp;
    lamp.Attach(control);

    std::vector<HBITMAP> held; // every image the control has shown
    HBITMAP shownBefore = nullptr;
    for (HBITMAP bitmap : {red.Get(), red.Get(), red.Get(), green.Get(), green.Get(), red.Get()}) {
        lamp.Show(bitmap);
        if (bitmap == shownBefore) {
            EXPECT_EQ(ImageOf(control), held.back()) << "the same bitmap was set again";
        }
        held.push_back(ImageOf(control));
        shownBefore = bitmap;
    }

    for (HBITMAP image : held) {
        if (image != held.back() && image != red.Get() && image != green.Get()) {
            EXPECT_EQ(GetObjectType(image), 0U) << "an image the control handed back was not deleted";
        }
    }
    EXPECT_EQ(GetObjectType(red.Get()), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(green.Get()), static_cast<DWORD>(OBJ_BITMAP));
    DestroyWindow(control);
}

// The refresh hands the lamp its tip four times a second; the tooltip control must hold the latest, lines
// and all, and see the pointer on the lamp.
TEST(LampControl, TipReachesTheTooltipControl) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND window =
        CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, instance, nullptr);
    HWND control = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | SS_BITMAP, 0, 0, kSide, kSide, window,
                                   nullptr, instance, nullptr);
    HWND tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, window, nullptr,
                                   instance, nullptr);
    ASSERT_NE(tooltip, nullptr);
    CLampControl lamp;
    lamp.Attach(control);
    lamp.AttachTip(tooltip);
    EXPECT_NE(GetWindowLongPtrW(control, GWL_STYLE) & SS_NOTIFY, 0);

    for (const wchar_t* tip : {L"GPS not locked\nGPS reference unreliable", L"GPS not locked", L""}) {
        lamp.SetTip(tip);
        wchar_t shown[64] = L"?";
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = shown;
        SendMessageW(tooltip, TTM_GETTEXTW, std::size(shown), reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(shown, tip);
    }
    DestroyWindow(window);
}

} // namespace
