#include "resources/resource.h"
#include "ui/CommandLine.h"
#include "ui/ConfigDlgLogic.h"

#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kAddressText = "text " + std::to_string(IDC_DEVICE_ADDRESS) + " 127.0.0.9";
const std::string kConnectPress = "press " + std::to_string(IDC_CONNECT);

// The address goes in before Connect is pressed, which reads it; the press waits for the shown window.
TEST(ConfigDlgCommandLine, FillsTheAddressBoxAndLeavesTheConnectPressForTheShownWindow) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> calls;
    };
    for (const Case& c :
         {Case{{}, {}}, Case{{"127.0.0.9"}, {kAddressText}}, Case{{"--connect"}, {kConnectPress}},
          Case{{"--connect", "127.0.0.9"}, {kAddressText, kConnectPress}}}) {
        CRecordingView view;
        CConfigDlgLogic logic(
            view, [](CWorkerThread&, StateReport) {}, [] { return std::vector<Ipv4Network>(); });
        logic.ApplyCommandLine(ParseCommandLine(c.arguments));
        EXPECT_EQ(view.calls, c.calls) << testing::PrintToString(c.arguments);
        EXPECT_EQ(logic.Phase(), ConnectionPhase::Disconnected) << testing::PrintToString(c.arguments);
    }
}

} // namespace
