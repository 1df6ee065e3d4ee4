// What the device log window costs. The window, in this process and offscreen, connected to the
// simulated device with its log window open: CPU of all threads over 30 s as a share of one core. And
// the chart of a full day painted into an image of 800 pixel columns of plot, its plan included.
#include "BenchAddresses.h"
#include "BenchSim.h"
#include "BenchWindow.h"
#include "EventWait.h"
#include "FullDay.h"
#include "OffscreenEnvironment.h"
#include "ProcessFigures.h"
#include "Samples.h"

#include "devicelog/ChartPlan.h"
#include "runtime/Networking.h"
#include "ui/DeviceLogDlgLogic.h"
#include "ui/qt/ChartView.h"
#include "ui/qt/DeviceLogDlg.h"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConnectLimitMs = 15000;
// The first seconds after connecting (version, first readings) are not the steady state measured.
constexpr int kSettleMs = 3000;
constexpr int kMeasuredMs = 30000;
constexpr int kPaintRuns = 50;
// The widget's size that leaves the plot about 800 columns beside and under its labels.
constexpr int kChartWidth = 873;
constexpr int kChartHeight = 320;

double ElapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Paints the chart of a full day kPaintRuns times; the milliseconds of each paint, and the plot's width.
std::vector<double> PaintFullDay(int& plotWidth) {
    const CReadingHistory history = FullDay();
    const std::int64_t end = kFullDayStartMicros + std::int64_t{kFullDaySeconds} * 1000000;
    CChartView chart(nullptr);
    chart.resize(kChartWidth, kChartHeight);
    chart.SetPlanSource([&](int width, int height, const ChartFont& font) {
        return PlanDeviceLogChart(
            ChartInput{.readings = history.Between(end - SpanMicros(ChartSpan::OneDay), end),
                       .endMicros = end,
                       .span = ChartSpan::OneDay},
            width, height, font);
    });
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    // The first paint loads the fonts, which a window does once.
    chart.render(&image);
    std::vector<double> runs;
    for (int run = 0; run < kPaintRuns; ++run) {
        const Clock::time_point start = Clock::now();
        chart.render(&image);
        runs.push_back(ElapsedMs(start));
    }
    plotWidth = chart.LastPlan().plot.width;
    return runs;
}

// The CPU share of one core this process used over kMeasuredMs with the log window open; negative when
// the window did not connect or the figures could not be read.
double ConnectedWithLogOpen() {
    CBenchWindow window(kDeviceLogAddress);
    if (!window.ClickConnectButton() ||
        !WaitForCondition([&] { return window.ShowsUtcTime(); }, kConnectLimitMs)) {
        std::fprintf(stderr, "the window did not connect to the simulated device\n");
        return -1.0;
    }
    window.Dialog().ShowDeviceLog();
    RunEventsFor(kSettleMs);
    const auto before = ReadProcessFigures("self");
    const Clock::time_point start = Clock::now();
    RunEventsFor(kMeasuredMs);
    const auto after = ReadProcessFigures("self");
    if (!before || !after || window.Dialog().DeviceLogWindow() == nullptr ||
        !window.Dialog().DeviceLogWindow()->isVisible()) {
        std::fprintf(stderr, "the log window or the process figures were missing\n");
        return -1.0;
    }
    return (after->cpuSeconds - before->cpuSeconds) / (ElapsedMs(start) / 1000.0) * 100.0;
}

} // namespace

int main(int argc, char** argv) {
    COffscreenEnvironment offscreen;
    QApplication application(argc, argv);
    CSimProcess sim;
    if (!StartNetworking() || !StartBenchSim(sim, kDeviceLogAddress)) {
        return 1;
    }
    int plotWidth = 0;
    const SampleSummary paint = Summarise(PaintFullDay(plotWidth));
    const double cpuShare = ConnectedWithLogOpen();
    if (cpuShare < 0.0) {
        return 1;
    }
    PrintSummaryHeading(
        "8. The device log: a day's chart painted offscreen (86,400 readings, plan included)");
    PrintSummaryRow("paint into an image", paint, "ms", "<= 10 ms");
    PrintValueHeading("   the window connected, its log window open (this process, 30 s)");
    PrintValueRow("plot width", plotWidth, "px", "800 px");
    PrintValueRow("CPU, all threads, share of one core", cpuShare, "%", "< 1 %");
    return 0;
}
