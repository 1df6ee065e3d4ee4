#include "resources/DialogUnits.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const DialogControlTemplate& MainControl(int id) {
    for (const DialogControlTemplate& control : FindDialogTemplate(IDD_CONFIG_DIALOG)->controls) {
        if (control.id == id) {
            return control;
        }
    }
    ADD_FAILURE() << "no control " << id;
    return FindDialogTemplate(IDD_CONFIG_DIALOG)->controls.front();
}

TEST(RoundedMulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(RoundedMulDiv(3, 1, 2), 2);
    EXPECT_EQ(RoundedMulDiv(-3, 1, 2), -2);
    EXPECT_EQ(RoundedMulDiv(3, 1, -2), -2);
    EXPECT_EQ(RoundedMulDiv(-3, -1, 2), 2);
    EXPECT_EQ(RoundedMulDiv(5, 1, 4), 1);
    EXPECT_EQ(RoundedMulDiv(-5, 1, 4), -1);
    EXPECT_EQ(RoundedMulDiv(7, 1, 4), 2);
    EXPECT_EQ(RoundedMulDiv(0, 5, -3), 0);
}

TEST(RoundedMulDiv, ReportsDivisionByZeroAndOverflowAsMinusOne) {
    EXPECT_EQ(RoundedMulDiv(5, 3, 0), -1);
    EXPECT_EQ(RoundedMulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(RoundedMulDiv(INT_MIN, 1, 1), -1);
    EXPECT_EQ(RoundedMulDiv(INT_MIN, 1, -1), -1);
    EXPECT_EQ(RoundedMulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
}

TEST(DialogUnits, MainWindowClientAreaAt96Dpi) {
    const PixelRect client = DialogRectToPixels(FindDialogTemplate(IDD_CONFIG_DIALOG)->rect, 96);
    EXPECT_EQ(client, (PixelRect{0, 0, 459, 530}));
}

// The sizes that the layout keeps from the template.
TEST(DialogUnits, ControlSizesAt96Dpi) {
    EXPECT_EQ(DialogRectToPixels(MainControl(IDC_DEVICE_ADDRESS).rect, 96).height, 23);
    EXPECT_EQ(DialogRectToPixels(MainControl(IDC_CONNECT).rect, 96).width, 74);
    for (int id : {IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_NEW_GATEWAY}) {
        const PixelRect edit = DialogRectToPixels(MainControl(id).rect, 96);
        EXPECT_EQ(edit.width, 125) << "id " << id;
        EXPECT_EQ(edit.height, 23) << "id " << id;
    }
    EXPECT_EQ(DialogRectToPixels(MainControl(IDC_APPLY).rect, 96).width, 104);
    EXPECT_EQ(DialogRectToPixels(MainControl(IDC_QUIT).rect, 96).height, 63);
    EXPECT_EQ(DialogRectToPixels(MainControl(IDC_CONNECT).rect, 96), (PixelRect{201, 37, 74, 16}));
}

TEST(DialogUnits, ScaleWithDpi) {
    EXPECT_EQ(DialogUnitsToPixelsX(306, 120), 574); // 573.75
    EXPECT_EQ(DialogUnitsToPixelsY(326, 120), 662); // 662.19
    EXPECT_EQ(DialogUnitsToPixelsX(306, 192), 918);
    EXPECT_EQ(DialogUnitsToPixelsY(326, 192), 1060); // 1059.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsY(-8, 96), -13);
}

TEST(DialogUnits, ImpossibleDpiCountsAs96) {
    for (int dpi : {0, -96, 9601, INT_MAX}) {
        EXPECT_EQ(DialogUnitsToPixelsX(306, dpi), 459) << "dpi " << dpi;
        EXPECT_EQ(DialogUnitsToPixelsY(326, dpi), 530) << "dpi " << dpi;
    }
    EXPECT_EQ(DialogUnitsToPixelsX(4, 9600), 600);
}

} // namespace
