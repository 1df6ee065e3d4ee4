// The device log as the window keeps it over a fake link: the events of a connection, in memory and in
// the journal, and read back as earlier when the window connects to that device again.
#include "resources/resource.h"
#include "ui/ConfigDlgLogic.h"

#include "devicelog/Journal.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/ui/support/FakeRacingLink.h"
#include "tests/ui/support/RecordingView.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kAddress = "127.0.176.9";
constexpr std::int64_t kStartMicros = 1765200000000000;

std::vector<std::string> Codes(const CDeviceLog& log, bool earlier) {
    std::vector<std::string> codes;
    for (const LoggedEvent& logged : log.Events()) {
        if (logged.earlier == earlier) {
            codes.push_back(logged.event.code);
        }
    }
    return codes;
}

// A window whose journal is at journalPath, connected over the shell link to kAddress.
struct Window {
    explicit Window(const std::string& journalPath)
        : logic(
              view, RacingLinks{std::move(shell), std::make_unique<CFakeRacingLink>()},
              [](CWorkerThread&, StateReport) {}, [] { return std::vector<Ipv4Network>(); }) {
        logic.SetDeviceLogEnvironment({journalPath, [this] { return utcNow; }});
        logic.OnInitDialog();
        view.SetItemText(IDC_DEVICE_ADDRESS, kAddress);
        logic.OnConnect();
        logic.OnLinkState(&link.Worker(), link.Report(StateReady));
    }
    // A refresh after the link read the clock at pcMicros.
    void Refresh(std::int64_t pcMicros) {
        link.clockReading = TimedClockReading{pcMicros / 1000000, 0, pcMicros - 2000, pcMicros};
        logic.OnTimer(CConfigDlgLogic::kRefreshTimerId);
    }

    std::unique_ptr<CFakeRacingLink> shell = std::make_unique<CFakeRacingLink>();
    CFakeRacingLink& link = *shell;
    std::int64_t utcNow = kStartMicros;
    CRecordingView view;
    CConfigDlgLogic logic;
};

TEST(ConfigDlgDeviceLog, AConnectionsEventsGoToTheJournalAndComeBackAsEarlier) {
    const std::string folder = MakeTemporaryFolder("vantrex-device-log-");
    ASSERT_FALSE(folder.empty());
    const std::string journalPath = (std::filesystem::path(folder) / "journal.jsonl").string();
    const std::vector<std::string> connection = {"connected", "firmware-seen", "gps-lock-lost",
                                                 "disconnected"};
    {
        Window window(journalPath);
        window.Refresh(kStartMicros);
        // The refreshes between two clock readings add nothing.
        window.link.gps = false;
        window.logic.OnTimer(CConfigDlgLogic::kRefreshTimerId);
        window.Refresh(kStartMicros + CDeviceLog::kReadingMicros);
        window.logic.OnConnect();
        EXPECT_EQ(Codes(window.logic.DeviceLog(), false), connection);
        EXPECT_EQ(window.logic.DeviceLog().History().Size(), 2U);
        EXPECT_EQ(window.logic.DeviceLog().Warning(), "");
        window.logic.OnClose();
    }
    Window again(journalPath);
    EXPECT_EQ(Codes(again.logic.DeviceLog(), true), connection);
    EXPECT_EQ(Codes(again.logic.DeviceLog(), false), std::vector<std::string>{"connected"});
    again.logic.OnClose();
    std::filesystem::remove_all(folder);
}

} // namespace
