// The window logic over real links. The state table drives it through fakes; this covers what the
// fakes cannot: the relay's thread handing reports of real links over to the window thread, which the
// ThreadSanitizer build and the Windows build run only here.
#include "ui/ConfigDlgLogic.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include "tests/ui/support/PostedReports.h"
#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <vector>

namespace {

// Nothing listens here, so both links are refused at once.
constexpr const char* kRefusingAddress = "127.0.41.1";
constexpr auto kAttemptBound = std::chrono::seconds(20);

TEST(ConfigDlgLogic, ReportsCrossFromTheRelayThreadAndCloseStopsIt) {
    CRecordingView view;
    CPostedReports posted;
    CConfigDlgLogic logic(
        view, [&posted](CWorkerThread& link, StateReport report) { posted.Post(link, report); },
        [] { return std::vector<Ipv4Network>(); });
    logic.OnInitDialog();
    ASSERT_TRUE(logic.Relay().IsStarted());

    view.SetItemText(IDC_DEVICE_ADDRESS, kRefusingAddress);
    logic.OnConnect();
    const auto deadline = std::chrono::steady_clock::now() + kAttemptBound;
    while (view.m_messages.empty()) {
        const std::optional<CPostedReports::Posted> next = posted.Take(deadline);
        ASSERT_TRUE(next) << "the refused attempt did not end in time";
        EXPECT_NE(next->poster, std::this_thread::get_id()) << "a report must come from the relay";
        logic.OnLinkState(next->worker, next->report);
    }
    EXPECT_EQ(view.m_messages, std::vector<std::string>{LoadStringResource(IDS_CONNECT_FAILED)});
    EXPECT_EQ(logic.Phase(), ConnectionPhase::Disconnected);

    logic.OnClose();
    EXPECT_EQ(view.m_endResult, 0);
    EXPECT_FALSE(logic.Relay().IsStarted());
}

} // namespace
