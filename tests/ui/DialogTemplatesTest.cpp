#include "resources/DialogTemplates.h"
#include "resources/WindowStyles.h"
#include "resources/resource.h"
#include "ui/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace {

struct ExpectedControl {
    int id;
    ControlClass controlClass;
    std::uint32_t style;
    DialogRect rect;
};

// Template 102 as the window's designers wrote it, styles in hex.
constexpr ExpectedControl kMainControls[] = {
    {1003, ControlClass::Button, 0x50000007, {7, 7, 182, 41}},
    {1001, ControlClass::ComboBox, 0x50210042, {17, 23, 104, 14}},
    {1013, ControlClass::Button, 0x50011003, {134, 23, 49, 10}},
    {1006, ControlClass::Static, 0x5000000E, {246, 7, 54, 49}},
    {1004, ControlClass::Button, 0x50000007, {7, 54, 292, 77}},
    {1023, ControlClass::Static, 0x50000006, {17, 67, 245, 8}},
    {1020, ControlClass::Static, 0x50020200, {71, 68, 202, 18}},
    {1018, ControlClass::Static, 0x5000000E, {79, 97, 16, 15}},
    {1021, ControlClass::Static, 0x50020200, {110, 96, 102, 12}},
    {1019, ControlClass::Static, 0x5000000E, {80, 113, 16, 15}},
    {1022, ControlClass::Static, 0x50020200, {117, 113, 102, 12}},
    {1005, ControlClass::Button, 0x50000007, {7, 142, 292, 114}},
    {1016, ControlClass::Button, 0x50010003, {31, 161, 36, 10}},
    {1007, ControlClass::Edit, 0x50810080, {28, 186, 83, 14}},
    {1010, ControlClass::Static, 0x50020200, {112, 191, 53, 8}},
    {1008, ControlClass::Edit, 0x50810080, {28, 206, 83, 14}},
    {1011, ControlClass::Static, 0x50020200, {110, 208, 54, 8}},
    {1012, ControlClass::Edit, 0x50810080, {29, 226, 83, 14}},
    {1014, ControlClass::Static, 0x50020200, {119, 230, 54, 8}},
    {1009, ControlClass::Button, 0x50010000, {197, 164, 69, 51}},
    {1024, ControlClass::Button, 0x50010000, {243, 280, 56, 39}},
    {1015, ControlClass::Button, 0x40000007, {13, 263, 215, 56}},
    {1017, ControlClass::Edit, 0x40810882, {19, 286, 66, 14}},
    {1025, ControlClass::Edit, 0x40810080, {99, 287, 66, 14}},
    {1026, ControlClass::Button, 0x40010000, {173, 283, 45, 22}},
    {1027, ControlClass::Static, 0x50020202, {13, 108, 85, 18}},
    {1028, ControlClass::Static, 0x50020200, {74, 86, 202, 18}},
    {1029, ControlClass::Static, 0x50000202, {13, 122, 85, 18}},
};

void ExpectRect(const DialogRect& actual, const DialogRect& expected, int id) {
    EXPECT_EQ(actual.x, expected.x) << "id " << id;
    EXPECT_EQ(actual.y, expected.y) << "id " << id;
    EXPECT_EQ(actual.width, expected.width) << "id " << id;
    EXPECT_EQ(actual.height, expected.height) << "id " << id;
}

TEST(DialogTemplates, MainWindowHasItsControlsInTemplateOrder) {
    const DialogTemplate* dialog = FindDialogTemplate(IDD_CONFIG_DIALOG);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->controls.size(), std::size(kMainControls));
    for (std::size_t i = 0; i < dialog->controls.size(); ++i) {
        const DialogControlTemplate& actual = dialog->controls[i];
        const ExpectedControl& expected = kMainControls[i];
        EXPECT_EQ(actual.id, expected.id) << "position " << i;
        EXPECT_EQ(actual.controlClass, expected.controlClass) << "id " << expected.id;
        EXPECT_EQ(actual.style, expected.style) << std::hex << "id " << std::dec << expected.id;
        ExpectRect(actual.rect, expected.rect, expected.id);
    }
}

TEST(DialogTemplates, OnlyTheFourMacControlsStartHidden) {
    std::set<int> hidden;
    for (const DialogControlTemplate& control : FindDialogTemplate(IDD_CONFIG_DIALOG)->controls) {
        EXPECT_TRUE(control.style & kWsChild) << "id " << control.id;
        if (!(control.style & kWsVisible)) {
            hidden.insert(control.id);
        }
    }
    EXPECT_EQ(hidden, (std::set<int>{IDC_MAC_GROUP, IDC_MAC_ADDRESS, IDC_NEW_MAC_ADDRESS, IDC_MAC_APPLY}));
}

TEST(DialogTemplates, ImageStaticsNameTheirImages) {
    const auto controls = FindDialogTemplate(IDD_CONFIG_DIALOG)->controls;
    EXPECT_EQ(controls[3].imageId, IDB_LOGO);
    EXPECT_EQ(controls[7].imageId, IDB_LAMP_GREY);
    EXPECT_EQ(controls[9].imageId, IDB_LAMP_GREY);
    EXPECT_EQ(FindDialogTemplate(IDD_ABOUTBOX)->controls[0].imageId, IDR_MAINFRAME);
}

TEST(DialogTemplates, MainWindowFields) {
    const DialogTemplate& dialog = *FindDialogTemplate(IDD_CONFIG_DIALOG);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x90C800C0u);
    EXPECT_EQ(dialog.exStyle, 0x00040000u);
    ExpectRect(dialog.rect, {0, 0, 306, 326}, dialog.id);
    EXPECT_STREQ(dialog.title, "VANTREX Configuration");
    EXPECT_STREQ(dialog.fontName, "MS Sans Serif");
    EXPECT_EQ(dialog.fontPointSize, 8);
    EXPECT_EQ(dialog.fontWeight, 0);
    EXPECT_FALSE(dialog.fontItalic);
    EXPECT_EQ(dialog.fontCharset, 1);
}

// The version --version prints, without its fourth part: the About box shows three.
std::string VersionToThirdPart() {
    const std::optional<CommandLineAnswer> answer = AnswerWithoutWindow(ParseCommandLine({"--version"}), "");
    const std::string prefix = "vantrex-config ";
    if (!answer || !answer->text.starts_with(prefix)) {
        ADD_FAILURE() << "--version answers " << (answer ? answer->text : "nothing");
        return {};
    }
    const std::string version = answer->text.substr(prefix.size());
    std::size_t end = 0;
    for (int part = 0; part < 3 && end != std::string::npos; ++part) {
        end = version.find_first_of(".\n", end == 0 ? 0 : end + 1);
    }
    return version.substr(0, end);
}

TEST(DialogTemplates, AboutBox) {
    const DialogTemplate* dialog = FindDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->extended);
    EXPECT_EQ(dialog->style, 0x80C800C0u);
    ExpectRect(dialog->rect, {0, 0, 282, 54}, dialog->id);
    EXPECT_STREQ(dialog->title, "About VANTREX Configuration");
    ASSERT_EQ(dialog->controls.size(), 4u);
    const std::uint32_t styles[] = {0x50000003, 0x50020080, 0x50020000, 0x50030001};
    const int ids[] = {kIdStatic, kIdStatic, kIdStatic, kIdOk};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(dialog->controls[i].id, ids[i]);
        EXPECT_EQ(dialog->controls[i].style, styles[i]) << "position " << i;
    }
    EXPECT_EQ(dialog->controls[1].text, "VANTREX Configuration Version " + VersionToThirdPart());
    EXPECT_STREQ(dialog->controls[3].text, "OK");
}

TEST(DialogTemplates, UnknownIdHasNoTemplate) {
    EXPECT_EQ(FindDialogTemplate(101), nullptr);
    EXPECT_EQ(FindDialogTemplate(0), nullptr);
}

} // namespace
