#include "resources/resource.h"

#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The layout measures the line's text, so it must come after the text; and only a new text moves
// anything, though every refresh sets it.
TEST(DialogView, FittedLineLaysTheWindowOutAgainAfterANewTextOnly) {
    struct Case {
        std::string before;
        std::string after;
        bool relayout;
    };
    for (const Case& c : {Case{"", "", false}, Case{"", "Version 2.4.1", true},
                          Case{"Version 2.4.1", "Version 2.4.1", false}, Case{"Version 2.4.1", "", true}}) {
        CRecordingView view;
        view.SetItemText(IDC_VERSION_LINE, c.before);
        view.calls.clear();
        view.SetFittedLine(IDC_VERSION_LINE, c.after);
        std::vector<std::string> expected{"text " + std::to_string(IDC_VERSION_LINE) + " " + c.after};
        if (c.relayout) {
            expected.emplace_back("relayout");
        }
        EXPECT_EQ(view.calls, expected) << "'" << c.before << "' to '" << c.after << "'";
    }
}

} // namespace
