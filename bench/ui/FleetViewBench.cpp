// What the Devices window costs with a thousand devices. Run it in a network namespace of its own, where
// the simulator may take its ports on every loopback address:
//     unshare -n bash -c "ip link set lo up && build/normal/bench/ui/bench_ui_fleet_view"
// One simulator serves 1,000 devices (127.60.0.1 upwards) with NTP. In this process, offscreen: the time
// one device takes to be read whole in a Devices window of its own, then the whole list's in another; that
// window's CPU (all threads, the fleet's included) over 30 s with the list idle between its readings, and
// the resident memory; how long after a reading ended its change was in the table (every device's GPS lock
// flipped at once); and the table sorted by each column, or scrolled a page, and painted.
#include "BenchWindow.h"
#include "EventWait.h"
#include "OffscreenEnvironment.h"
#include "ProcessFigures.h"
#include "Samples.h"

#include "resources/resource.h"
#include "runtime/Networking.h"
#include "runtime/RealTimeClock.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TemporaryFolder.h"
#include "ui/qt/DevicesDlg.h"
#include "ui/qt/QtSettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kFleet = "127.60.0.1-127.60.3.232"; // 1,000 devices
constexpr std::size_t kFleetSize = 1000;
constexpr const char* kOneDevice = "127.60.0.1";
constexpr const char* kMainWindowAddress = "127.60.0.1";
constexpr unsigned short kNtpPort = 12460;
constexpr int kReadLimitMs = 60000;
constexpr int kSettleMs = 3000;
constexpr int kMeasuredMs = 30000;
constexpr int kFlipLimitMs = 30000;
constexpr int kScrollFrames = 60;

double ElapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

DevicesEnvironment BenchEnvironment() {
    DevicesEnvironment environment = ProgramDevicesEnvironment();
    environment.journalPath.reset();
    environment.fleet.probe.ntpPort = kNtpPort;
    return environment;
}

bool AllRead(CDevicesDlg& window, std::size_t count) {
    const std::vector<DeviceEntry>& devices = window.Logic().Devices();
    return devices.size() == count &&
           std::all_of(devices.begin(), devices.end(),
                       [](const DeviceEntry& entry) { return entry.record.has_value(); });
}

// A Devices window of its own, shown, with devices typed into it: the milliseconds until all count of them
// were read, negative when they were not in time.
double ReadTime(CConfigDlg& main, CMessageBoxes& boxes, const char* devices, std::size_t count,
                std::unique_ptr<CDevicesDlg>& window) {
    // Each window starts from an empty list.
    CQtSettingsStore().Write(kDevicesSetting, std::string());
    window = std::make_unique<CDevicesDlg>(main, boxes, BenchEnvironment());
    window->ShowWindow();
    static_cast<QLineEdit*>(window->Item(IDC_DEVICES_ADD_BOX))->setText(QString::fromLatin1(devices));
    const Clock::time_point start = Clock::now();
    static_cast<QAbstractButton*>(window->Item(IDC_DEVICES_ADD))->click();
    if (!WaitForCondition([&] { return AllRead(*window, count); }, kReadLimitMs)) {
        return -1.0;
    }
    return ElapsedMs(start);
}

// The milliseconds from each reading's end (on the fleet's thread) to its change in the table, for every
// device whose GPS lock the simulator flipped.
std::vector<double> ChangeLatencies(CDevicesDlg& window, CSimProcess& sim) {
    const std::vector<DeviceEntry>& devices = window.Logic().Devices();
    std::vector<bool> seen(devices.size(), false);
    std::vector<double> latencies;
    if (!sim.Signal(SIGUSR1)) {
        return latencies;
    }
    RunEventsUntil(
        [&] {
            const std::int64_t now = RealTimeMicros();
            for (std::size_t index = 0; index < devices.size(); ++index) {
                const DeviceEntry& entry = devices[index];
                if (!seen[index] && entry.record && entry.record->gpsLocked == false && entry.readUtcMicros) {
                    seen[index] = true;
                    latencies.push_back(static_cast<double>(now - *entry.readUtcMicros) / 1000.0);
                }
            }
            return latencies.size() == devices.size();
        },
        1, kFlipLimitMs);
    return latencies;
}

// A frame: the table sorted by each column in turn, painted at once.
std::vector<double> SortFrames(CDevicesDlg& window) {
    std::vector<double> frames;
    for (std::size_t column = 0; column < kDeviceColumnCount; ++column) {
        const Clock::time_point start = Clock::now();
        window.Logic().OnSortBy(static_cast<DeviceColumn>(column));
        window.Table()->viewport()->repaint();
        frames.push_back(ElapsedMs(start));
    }
    return frames;
}

// A frame: the table scrolled a page down, painted at once.
std::vector<double> ScrollFrames(CDevicesDlg& window) {
    QScrollBar* bar = window.Table()->verticalScrollBar();
    std::vector<double> frames;
    for (int frame = 0; frame < kScrollFrames; ++frame) {
        const Clock::time_point start = Clock::now();
        bar->setValue((frame * bar->pageStep()) % (bar->maximum() + 1));
        window.Table()->viewport()->repaint();
        frames.push_back(ElapsedMs(start));
    }
    return frames;
}

} // namespace

int main(int argc, char** argv) {
    // The lists typed here stay out of the user's settings.
    const std::string settings = MakeTemporaryFolder("vantrex-fleet-view-");
    if (settings.empty()) {
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", settings.c_str());
    qputenv("XDG_STATE_HOME", (settings + "/state").c_str());
    COffscreenEnvironment offscreen;
    QApplication application(argc, argv);
    CSimProcess sim;
    if (!StartNetworking() || !sim.Start({"--address", kFleet, "--one-socket-per-port", "--telnet-port", "0",
                                          "--ntp-port", std::to_string(kNtpPort)})) {
        std::fprintf(stderr, "the simulator did not start: %s\n", sim.ErrorOutput().c_str());
        return 1;
    }
    CBenchWindow main(kMainWindowAddress);
    CSilentBoxes boxes;
    std::unique_ptr<CDevicesDlg> window;
    const double oneMs = ReadTime(main.Dialog(), boxes, kOneDevice, 1, window);
    const double allMs = ReadTime(main.Dialog(), boxes, kFleet, kFleetSize, window);
    if (oneMs < 0 || allMs < 0) {
        std::fprintf(stderr, "the devices were not read within %d ms\n", kReadLimitMs);
        return 1;
    }
    window->resize(1000, 560);
    RunEventsFor(kSettleMs);
    const auto before = ReadProcessFigures("self");
    const Clock::time_point start = Clock::now();
    RunEventsFor(kMeasuredMs);
    const auto after = ReadProcessFigures("self");
    if (!before || !after) {
        return 1;
    }
    const double cpuShare = (after->cpuSeconds - before->cpuSeconds) / (ElapsedMs(start) / 1000.0) * 100.0;
    const std::vector<double> sortFrames = SortFrames(*window);
    for (std::size_t column = 0; column < sortFrames.size(); ++column) {
        std::fprintf(stderr, "sorted by column %zu: %.2f ms\n", column, sortFrames[column]);
    }
    const SampleSummary sort = Summarise(sortFrames);
    const SampleSummary scroll = Summarise(ScrollFrames(*window));
    const std::vector<double> latencies = ChangeLatencies(*window, sim);
    const SampleSummary change = Summarise(latencies);

    PrintValueHeading("9. The Devices window, 1,000 simulated devices (this process, offscreen)");
    PrintValueRow("one device read, in a window of its own", oneMs, "ms", "");
    PrintValueRow("1,000 devices read", allMs, "ms", "<= 1.5 x one");
    PrintValueRow("1,000 against one", allMs / oneMs, "x", "<= 1.5");
    PrintValueRow("CPU idle between readings, share of one core", cpuShare, "%", "< 2 %");
    PrintValueRow("resident memory", static_cast<double>(after->rssKb) / 1024.0, "MB", "< 150 MB");
    PrintValueRow("threads", after->threads, "", "");
    PrintValueRow("devices whose change was seen", static_cast<double>(latencies.size()), "", "1000");
    PrintSummaryHeading("   frames and the change of a reading");
    PrintSummaryRow("reading's end to its row changed", change, "ms", "<= 300 ms");
    PrintSummaryRow("sorted by a column and painted", sort, "ms", "< 16 ms");
    PrintSummaryRow("scrolled a page and painted", scroll, "ms", "< 16 ms");
    window.reset();
    std::filesystem::remove_all(settings);
    return 0;
}
