#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/WindowStyles.h"
#include "resources/resource.h"
#include "ui/CommandLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>

namespace {

// Every template the front ends build.
constexpr int kDialogIds[] = {IDD_ABOUTBOX, IDD_CONFIG_DIALOG, IDD_FIND_DIALOG, IDD_DEVICE_LOG,
                              IDD_DEVICE_ANSWERS};

bool IsGroupBox(const DialogControlTemplate& control) {
    return control.controlClass == ControlClass::Button && (control.style & kBsTypeMask) == kBsGroupBox;
}

bool IsImage(const DialogControlTemplate& control) {
    const std::uint32_t type = control.style & kSsTypeMask;
    return control.controlClass == ControlClass::Static && (type == kSsBitmap || type == kSsIcon);
}

// A drop-down list's template height includes its open list; closed, it is one line, as high as an edit.
constexpr int kClosedComboBoxHeight = 14;

// Where the control stands while no list is open.
DialogRect ClosedRect(const DialogControlTemplate& control) {
    DialogRect rect = control.rect;
    if (control.controlClass == ControlClass::ComboBox) {
        rect.height = std::min(rect.height, kClosedComboBoxHeight);
    }
    return rect;
}

bool Overlap(const DialogRect& a, const DialogRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool Contains(const DialogRect& outer, const DialogRect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

template <typename Check>
void ForEveryControl(Check check) {
    for (const int dialogId : kDialogIds) {
        const DialogTemplate* dialog = FindDialogTemplate(dialogId);
        ASSERT_NE(dialog, nullptr) << "dialog " << dialogId;
        EXPECT_EQ(dialog->id, dialogId);
        for (const DialogControlTemplate& control : dialog->controls) {
            SCOPED_TRACE("dialog " + std::to_string(dialogId) + ", control " + std::to_string(control.id));
            check(*dialog, control);
        }
    }
}

TEST(DialogTemplates, EveryControlIsAChildInsideItsDialog) {
    ForEveryControl([](const DialogTemplate& dialog, const DialogControlTemplate& control) {
        EXPECT_TRUE(control.style & kWsChild);
        EXPECT_GT(control.rect.width, 0);
        EXPECT_GT(control.rect.height, 0);
        EXPECT_TRUE(Contains({0, 0, dialog.rect.width, dialog.rect.height}, control.rect));
    });
}

TEST(DialogTemplates, ControlIdsAreUniqueWithinADialog) {
    for (const int dialogId : kDialogIds) {
        std::set<int> ids;
        for (const DialogControlTemplate& control : FindDialogTemplate(dialogId)->controls) {
            EXPECT_TRUE(control.id == kIdStatic || ids.insert(control.id).second)
                << "dialog " << dialogId << " repeats id " << control.id;
        }
    }
}

// The main window is laid out at run time (Layout.cpp), so its template rectangles only give the
// controls a start; the other dialogs stand where their templates put them.
TEST(DialogTemplates, VisibleControlsOverlapOnlyTheGroupBoxThatHoldsThem) {
    for (const int dialogId : {IDD_ABOUTBOX, IDD_FIND_DIALOG, IDD_DEVICE_LOG, IDD_DEVICE_ANSWERS}) {
        const auto controls = FindDialogTemplate(dialogId)->controls;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                const DialogControlTemplate& a = controls[i];
                const DialogControlTemplate& b = controls[j];
                if (!(a.style & kWsVisible) || !(b.style & kWsVisible) ||
                    !Overlap(ClosedRect(a), ClosedRect(b))) {
                    continue;
                }
                const bool held = (IsGroupBox(a) && Contains(a.rect, b.rect)) ||
                                  (IsGroupBox(b) && Contains(b.rect, a.rect));
                EXPECT_TRUE(held) << "dialog " << dialogId << ": controls at positions " << i << " and " << j
                                  << " overlap";
            }
        }
    }
}

TEST(DialogTemplates, ImagesAreNamedExactlyByImageStatics) {
    ForEveryControl([](const DialogTemplate&, const DialogControlTemplate& control) {
        EXPECT_EQ(control.imageId != 0, IsImage(control));
    });
}

TEST(DialogTemplates, OnlyTheFourMacControlsStartHidden) {
    std::set<int> hidden;
    for (const DialogControlTemplate& control : FindDialogTemplate(IDD_CONFIG_DIALOG)->controls) {
        if (!(control.style & kWsVisible)) {
            hidden.insert(control.id);
        }
    }
    EXPECT_EQ(hidden, (std::set<int>{IDC_MAC_GROUP, IDC_MAC_ADDRESS, IDC_NEW_MAC_ADDRESS, IDC_MAC_APPLY}));
}

// The Qt window takes its title from the string table, the Win32 one from the template.
TEST(DialogTemplates, MainWindowTitleIsTheStringTables) {
    EXPECT_STREQ(FindDialogTemplate(IDD_CONFIG_DIALOG)->title, LoadStringResource(IDS_WINDOW_TITLE));
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

TEST(DialogTemplates, AboutBoxShowsTheProgramsVersion) {
    bool shown = false;
    for (const DialogControlTemplate& control : FindDialogTemplate(IDD_ABOUTBOX)->controls) {
        shown = shown || control.text == "VANTREX Configuration Version " + VersionToThirdPart();
    }
    EXPECT_TRUE(shown);
}

TEST(DialogTemplates, UnknownIdHasNoTemplate) {
    EXPECT_EQ(FindDialogTemplate(101), nullptr);
    EXPECT_EQ(FindDialogTemplate(0), nullptr);
}

} // namespace
