// The window logic without a toolkit. The window tests cover what it does; this covers the one thing
// they cannot: the relay's thread handing reports over to the window thread, which the
// ThreadSanitizer build and the Windows build run only here.
#include "ui/ConfigDlgLogic.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Nothing listens here, so both links are refused at once.
constexpr const char* kRefusingAddress = "127.0.41.1";
constexpr auto kAttemptBound = std::chrono::seconds(20);

// A window that only remembers what it was told.
class CRecordingView : public CDialogView {
public:
    std::string ItemText(int id) const override { return m_texts.contains(id) ? m_texts.at(id) : ""; }
    void SetItemText(int id, const std::string& text) override { m_texts[id] = text; }
    void EnableItem(int, bool) override {}
    bool IsItemChecked(int id) const override { return m_checked.contains(id) && m_checked.at(id); }
    void SetItemChecked(int id, bool checked) override { m_checked[id] = checked; }
    void ShowItem(int, bool) override {}
    void SetStatusActive(int, bool) override {}
    void SetLamp(int, int) override {}
    void SetVersionLine(const std::string&) override {}
    void RelayoutWindow() override {}
    void PressWhenShown(int) override {}
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    void RepaintWindow() override {}
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageKind) override {
        m_messages.push_back(text);
        return MessageAnswer::Ok;
    }
    void EndDialog(int result) override { m_endResult = result; }

    std::map<int, std::string> m_texts;
    std::map<int, bool> m_checked;
    std::vector<std::string> m_messages;
    std::optional<int> m_endResult;
};

// The window thread's message queue: the relay posts, the test thread takes.
class CPostedReports {
public:
    struct Posted {
        const CWorkerThread* link;
        StateReport report;
        std::thread::id poster;
    };

    void Post(const CWorkerThread& link, StateReport report) {
        const std::lock_guard lock(m_mutex);
        m_posted.push_back({&link, report, std::this_thread::get_id()});
        m_arrived.notify_one();
    }

    // The oldest report, or nothing once deadline has passed.
    std::optional<Posted> Take(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(m_mutex);
        if (!m_arrived.wait_until(lock, deadline, [this] { return !m_posted.empty(); })) {
            return std::nullopt;
        }
        const Posted oldest = m_posted.front();
        m_posted.pop_front();
        return oldest;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Posted> m_posted;
};

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
        logic.OnLinkState(next->link, next->report);
    }
    EXPECT_EQ(view.m_messages, std::vector<std::string>{LoadStringResource(IDS_CONNECT_FAILED)});
    EXPECT_EQ(logic.Phase(), ConnectionPhase::Disconnected);

    logic.OnClose();
    EXPECT_EQ(view.m_endResult, 0);
    EXPECT_FALSE(logic.Relay().IsStarted());
}

} // namespace
