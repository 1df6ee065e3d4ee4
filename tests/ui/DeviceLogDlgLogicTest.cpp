// The device log window's logic through a fake window: its lists, the refresh that fills the event list
// only when the log changed, copy, saving and its failure, and the chart of the span chosen with its
// labels in place.
#include "ui/DeviceLogDlgLogic.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kAddress = "127.0.176.20";
// 2026-12-08 12:00:00 UTC.
constexpr std::int64_t kNow = 1796731200000000;
constexpr std::int64_t kSecond = 1000000;
constexpr std::size_t kTenMinutes = 0;

// A window that only remembers what the logic did to it.
class CFakeLogView : public CDeviceLogDlgView {
public:
    void SetItemText(int id, const std::string& text) override { texts[id] = text; }
    void AddChoice(int comboId, const std::string& text) override { choices[comboId].push_back(text); }
    void SelectChoice(int comboId, std::size_t index) override { selected[comboId] = index; }
    std::optional<std::size_t> SelectedChoice(int comboId) const override {
        return selected.contains(comboId) ? std::optional(selected.at(comboId)) : std::nullopt;
    }
    void SetColumns(const std::vector<std::string>& titles) override { columns = titles; }
    void ShowRows(std::span<const EventRow> rows) override {
        ++fills;
        codes.clear();
        for (const EventRow& row : rows) {
            codes.push_back(row.source.code);
        }
    }
    std::vector<std::size_t> SelectedRows() const override { return selectedRows; }
    void CopyText(const std::string& text) override { clipboard = text; }
    std::optional<SaveChoice> AskWhereToSave(const SaveQuestion& question) override {
        asked = question;
        return answer;
    }
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                              MessageKind kind) override {
        messages.push_back(caption + ": " + text);
        EXPECT_EQ(kind, MessageKind::Error);
        return MessageAnswer::Ok;
    }
    void RepaintChart() override { ++repaints; }
    void StartTimer(int periodMs) override { timerMs = periodMs; }
    void StopTimer() override { timerMs.reset(); }
    void HideWindow() override { hidden = true; }

    std::map<int, std::string> texts;
    std::map<int, std::vector<std::string>> choices;
    std::map<int, std::size_t> selected;
    std::vector<std::string> columns;
    int fills = 0;
    std::vector<std::string> codes; // of the rows shown, top to bottom
    std::vector<std::size_t> selectedRows;
    std::string clipboard;
    std::optional<SaveQuestion> asked;
    std::optional<SaveChoice> answer;
    std::vector<std::string> messages;
    int repaints = 0;
    std::optional<int> timerMs;
    bool hidden = false;
};

// A font of 6 pixels a character and 13 a line.
const ChartFont kFont{13, [](const std::string& text) { return static_cast<int>(text.size()) * 6; }};

WindowAction ActionOf(WindowAction::Kind kind) {
    WindowAction action;
    action.kind = kind;
    action.address = kAddress;
    action.link = "shell";
    return action;
}

Transition GpsLockLost() {
    Transition lost;
    lost.address = kAddress;
    lost.subject.topic = TransitionSubject::Topic::GpsLock;
    lost.kind = TransitionKind::Lost;
    lost.severity = Severity::Warning;
    return lost;
}

// The log of a device connected at kNow less an hour and read every second until kNow, whose GPS lock
// was lost a minute before kNow; the window's logic over it, its lists filled.
struct LogWindow {
    LogWindow() {
        log.OnAction(kNow - 3600 * kSecond, ActionOf(WindowAction::Kind::Connected));
        DeviceRecord record;
        record.offsetSeconds = 0.002;
        record.gpsLocked = true;
        for (std::int64_t at = kNow - 3600 * kSecond; at <= kNow; at += kSecond) {
            log.OnReading(at, record);
        }
        log.OnTransitions(kNow - 60 * kSecond, {GpsLockLost()});
        logic.OnInitDialog();
    }

    CDeviceLog log{LoadStringResource};
    CFakeLogView view;
    std::int64_t now = kNow;
    int utcOffset = 0;
    CDeviceLogDlgLogic logic{view, log, {[this] { return now; }, [this](std::int64_t) { return utcOffset; }}};
};

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DeviceLogDlgLogic, OffersItsSpansAndFiltersAnHourAndEveryEventFirst) {
    LogWindow window;
    const auto texts = [](std::initializer_list<int> ids) {
        std::vector<std::string> loaded;
        std::transform(ids.begin(), ids.end(), std::back_inserter(loaded), LoadStringResource);
        return loaded;
    };
    EXPECT_EQ(window.view.choices[IDC_LOG_SPAN],
              texts({IDS_LOG_SPAN_10_MINUTES, IDS_LOG_SPAN_1_HOUR, IDS_LOG_SPAN_24_HOURS}));
    EXPECT_EQ(window.view.choices[IDC_LOG_FILTER],
              texts({IDS_LOG_FILTER_ALL, IDS_LOG_FILTER_WARNINGS, IDS_LOG_FILTER_CRITICAL}));
    EXPECT_EQ(window.view.selected, (std::map<int, std::size_t>{{IDC_LOG_SPAN, 1}, {IDC_LOG_FILTER, 0}}));
    EXPECT_EQ(window.view.columns.size(), kEventColumns.size());
    EXPECT_EQ(window.view.columns.front(), LoadStringResource(IDS_LOG_COLUMN_SEEN));
    EXPECT_EQ(window.logic.ChartPlanFor(400, 250, kFont).fromMicros, kNow - 3600 * kSecond);
}

// Filling the list again would drop the user's selection: it is filled when the log changed, or the
// filter.
TEST(DeviceLogDlgLogic, RefreshesEverySecondWhileShownAndFillsTheListOnlyWhenTheLogChanged) {
    LogWindow window;
    CFakeLogView& view = window.view;
    window.logic.OnShow();
    EXPECT_EQ(view.timerMs, CDeviceLogDlgLogic::kRefreshMs);
    EXPECT_EQ(view.codes, (std::vector<std::string>{"gps-lock-lost", "connected"}));
    EXPECT_EQ(view.texts[IDC_LOG_WARNING], "");
    window.logic.OnTimer();
    EXPECT_EQ(view.fills, 1);
    EXPECT_EQ(view.repaints, 2);

    window.log.OnAction(kNow, ActionOf(WindowAction::Kind::Disconnected));
    window.log.SetWarning("the journal is full");
    window.logic.OnTimer();
    EXPECT_EQ(view.fills, 2);
    EXPECT_EQ(view.codes.front(), "disconnected");
    EXPECT_EQ(view.texts[IDC_LOG_WARNING], "the journal is full");

    view.selected[IDC_LOG_FILTER] = 1;
    window.logic.OnFilterChanged();
    EXPECT_EQ(view.codes, std::vector<std::string>{"gps-lock-lost"});

    window.logic.OnClose();
    EXPECT_FALSE(view.timerMs);
    EXPECT_TRUE(view.hidden);
}

TEST(DeviceLogDlgLogic, CopiesTheSelectedRowsWhole) {
    LogWindow window;
    window.logic.OnShow();
    window.logic.OnCopy();
    EXPECT_EQ(window.view.clipboard, "");
    // A row past the list's end (one the list had before it was filled again) is none.
    window.view.selectedRows = {1, 7};
    window.logic.OnCopy();
    const std::vector<EventRow> rows = ShownRows(window.log.Events(), EventFilter::All);
    EXPECT_EQ(window.view.clipboard, RowsText(std::span(rows).subspan(1, 1)));
    EXPECT_TRUE(window.view.clipboard.find("\tConnected to 127.0.176.20") != std::string::npos)
        << window.view.clipboard;
}

TEST(DeviceLogDlgLogic, SavesTheFileTypeChosenOrSaysWhyItCouldNot) {
    const std::string folder = MakeTemporaryFolder("vantrex-log-logic-");
    ASSERT_FALSE(folder.empty());
    LogWindow window;
    CFakeLogView& view = window.view;
    window.logic.OnShow();
    window.logic.OnSave();
    ASSERT_TRUE(view.asked);
    EXPECT_EQ(view.asked->offeredName, "127.0.176.20_2026-12-08.csv");
    EXPECT_EQ(view.asked->caption, LoadStringResource(IDS_LOG_SAVE_CAPTION));
    EXPECT_EQ(view.asked->types, (std::vector<std::string>{LoadStringResource(IDS_LOG_CSV_EVENTS),
                                                           LoadStringResource(IDS_LOG_CSV_READINGS)}));
    EXPECT_EQ(view.asked->extension, "csv");

    const struct {
        std::size_t type; // past the end: the last
        std::string name;
        std::string start;
        std::size_t lines;
    } cases[] = {
        {0, "events.csv", "time_utc,address,severity,code,text\r\n", 1 + 2},
        {1, "readings.csv", "time_utc,offset_s,uncertainty_s,gps_lock,time_sync\r\n", 1 + 3601},
        {9, "last.csv", "time_utc,offset_s,uncertainty_s,gps_lock,time_sync\r\n", 1 + 3601},
    };
    for (const auto& c : cases) {
        view.answer = SaveChoice{folder + "/" + c.name, c.type};
        window.logic.OnSave();
        const std::string text = FileText(folder + "/" + c.name);
        EXPECT_TRUE(text.starts_with(c.start)) << c.name;
        EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), c.lines) << c.name;
    }
    EXPECT_TRUE(view.messages.empty());

    view.answer = SaveChoice{folder + "/missing/events.csv", 0};
    window.logic.OnSave();
    ASSERT_EQ(view.messages.size(), 1U);
    EXPECT_TRUE(view.messages.front().starts_with(std::string(LoadStringResource(IDS_ERROR)) + ": "))
        << view.messages.front();
    EXPECT_NE(view.messages.front().find("missing"), std::string::npos) << view.messages.front();
    std::filesystem::remove_all(folder);
}

// The chart ends now, over the span chosen, its times in this PC's zone and its labels placed.
TEST(DeviceLogDlgLogic, ChartsTheSpanChosenInThisPcsZoneWithItsLabels) {
    LogWindow window;
    window.view.selected[IDC_LOG_SPAN] = kTenMinutes;
    const ChartPlan utc = window.logic.ChartPlanFor(400, 250, kFont);
    EXPECT_EQ(utc.toMicros, kNow);
    EXPECT_EQ(utc.toMicros - utc.fromMicros, 600 * kSecond);
    ASSERT_EQ(utc.offsetLines.size(), 1U);
    ASSERT_FALSE(utc.timeTicks.empty());
    EXPECT_EQ(utc.timeTicks.back().label, "12:00");

    window.utcOffset = 5 * 3600 + 1800;
    const ChartPlan india = window.logic.ChartPlanFor(400, 250, kFont);
    EXPECT_EQ(india.timeTicks.back().label, "17:30");
    std::vector<std::string> labels;
    for (const ChartLabel& label : india.labels) {
        labels.push_back(label.text);
    }
    EXPECT_EQ(
        std::vector(labels.end() - 2, labels.end()),
        (std::vector<std::string>{LoadStringResource(IDS_GPS_LOCK), LoadStringResource(IDS_TIME_SYNC)}));
}

} // namespace
