// The chart's texts, grid and tick marks as a front end draws them: each label beside what it names,
// every one inside the control, the grid across the plot and the tick marks outside it.
#include "devicelog/ChartLabels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kEnd = 1700000600 * kSecond;
constexpr int kLine = 13;
const ChartFont kFont{kLine, [](const std::string& text) { return static_cast<int>(text.size()) * 6; }};
const ChartStripLabels kStripLabels{"GPS lock", "Time sync"};

// Ten minutes of readings, one a second, the offset drifting by offsetSeconds from its start.
std::vector<LogReading> Readings(double offsetSeconds) {
    std::vector<LogReading> readings;
    for (int second = 0; second < 600; ++second) {
        LogReading reading;
        reading.pcUnixMicros = kEnd - (600 - second) * kSecond;
        reading.hasOffset = true;
        reading.offsetSeconds = offsetSeconds + second * 1e-5;
        reading.gps = LampState::On;
        readings.push_back(reading);
    }
    return readings;
}

bool Inside(const PixelRect& inner, const PixelRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

int Right(const PixelRect& rect) {
    return rect.x + rect.width;
}

int Bottom(const PixelRect& rect) {
    return rect.y + rect.height;
}

struct ChartCase {
    int width;
    int height;
    double offsetSeconds; // a day off has value labels wider than the usual
};

TEST(ChartLabels, EachLabelSitsBesideWhatItNamesInsideTheControl) {
    const ChartCase cases[] = {{400, 250, 0.0}, {873, 320, -86438.593}, {200, 120, 1.5}};
    for (const ChartCase& c : cases) {
        const std::vector<LogReading> readings = Readings(c.offsetSeconds);
        const ChartPlan plan =
            PlanLabelledChart({.readings = readings, .endMicros = kEnd, .span = ChartSpan::TenMinutes},
                              c.width, c.height, kFont, kStripLabels);
        const std::vector<ChartLabel>& labels = plan.labels;
        ASSERT_EQ(labels.size(), plan.valueTicks.size() + plan.timeTicks.size() + 1 + kStripLabels.size());
        for (const ChartLabel& label : labels) {
            EXPECT_TRUE(Inside(label.cell, {0, 0, c.width, c.height})) << label.text << " at " << c.width;
            EXPECT_EQ(label.cell.width, kFont.width(label.text)) << label.text;
            EXPECT_EQ(label.cell.height, kLine) << label.text;
        }
        auto label = labels.begin();
        for (const ValueTick& tick : plan.valueTicks) {
            EXPECT_EQ(label->text, tick.label);
            EXPECT_EQ(Right(label->cell), plan.plot.x - kChartTickLength - kChartLabelGap) << tick.label;
            EXPECT_EQ(label->cell.y, tick.y - kLine / 2) << tick.label;
            ++label;
        }
        for (const TimeTick& tick : plan.timeTicks) {
            EXPECT_EQ(label->text, tick.label);
            EXPECT_EQ(label->cell.x + label->cell.width / 2, tick.x) << tick.label;
            EXPECT_EQ(label->cell.y, Bottom(plan.syncStrip) + kChartLabelGap) << tick.label;
            ++label;
        }
        EXPECT_EQ(label->text, plan.unit);
        EXPECT_EQ(Bottom(label->cell), plan.plot.y - kChartLabelGap);
        ++label;
        for (const PixelRect* strip : {&plan.gpsStrip, &plan.syncStrip}) {
            EXPECT_EQ(Right(label->cell), plan.plot.x - kChartLabelGap) << label->text;
            EXPECT_EQ(label->cell.y, strip->y + (strip->height - kLine) / 2) << label->text;
            ++label;
        }
        EXPECT_EQ(labels.back().text, kStripLabels.back());
    }
}

// A grid line crosses the plot from edge to edge; a tick mark of kChartTickLength pixels meets it
// outside.
TEST(ChartLabels, GridCrossesThePlotAndTickMarksMeetItOutside) {
    const std::vector<LogReading> readings = Readings(0.0);
    const ChartPlan plan =
        PlanLabelledChart({.readings = readings, .endMicros = kEnd, .span = ChartSpan::TenMinutes}, 400, 250,
                          kFont, kStripLabels);
    const PixelRect& plot = plan.plot;
    std::vector<PixelSegment> grid;
    std::vector<PixelSegment> marks;
    for (const ValueTick& tick : plan.valueTicks) {
        grid.push_back({{plot.x, tick.y}, {Right(plot) - 1, tick.y}});
        marks.push_back({{plot.x - kChartTickLength, tick.y}, {plot.x - 1, tick.y}});
    }
    for (const TimeTick& tick : plan.timeTicks) {
        grid.push_back({{tick.x, plot.y}, {tick.x, Bottom(plot) - 1}});
        marks.push_back({{tick.x, Bottom(plot)}, {tick.x, Bottom(plot) + kChartTickLength - 1}});
    }
    EXPECT_FALSE(plan.valueTicks.empty());
    EXPECT_FALSE(plan.timeTicks.empty());
    EXPECT_EQ(plan.gridLines, grid);
    EXPECT_EQ(plan.tickMarks, marks);
}

} // namespace
