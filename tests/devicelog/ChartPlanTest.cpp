// The chart's plan: round axes in a fitting unit, lines folded to the pixel columns and broken at gaps,
// lamp strips, time ticks on round local times.
#include "devicelog/ChartPlan.h"
#include "devicelog/ChartAxes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kStart = 1700000000 * kSecond; // 22:13:20 UTC
constexpr PixelRect kArea{10, 20, 100, 216};          // a plot 100 x 200 above the strips

TEST(ChartAxes, ValueAxisIsRoundAndInAFittingUnit) {
    struct Row {
        double least;
        double most;
        int ticks;
        const char* unit;
        std::vector<std::string> labels;
    };
    const Row rows[] = {
        {0.0002, 0.00068, 5, "\xC2\xB5s", {"200", "300", "400", "500", "600", "700"}},
        {-0.0023, 0.0011, 4, "ms", {"-3", "-2", "-1", "0", "1", "2"}},
        {0.95, 1.04, 4, "s", {"0.95", "1.00", "1.05"}},
        {0, 0, 4, "\xC2\xB5s", {"-0.5", "0.0", "0.5"}},
    };
    for (const Row& row : rows) {
        const ValueAxis axis = NiceValueAxis(row.least, row.most, row.ticks);
        std::vector<std::string> labels;
        for (const double value : TickValues(axis)) {
            labels.push_back(ValueLabel(axis, value));
        }
        EXPECT_EQ(axis.unit, row.unit) << row.least;
        EXPECT_EQ(labels, row.labels) << row.least;
    }
}

// Ten minutes at one reading a second into 100 columns of 6 s: a connection from second 0 to 299 with
// the GPS lamp out at 100 and 101, a second from 400 to 499, then a stall until 530.
std::vector<LogReading> TenMinutes() {
    std::vector<LogReading> readings;
    for (int second = 0; second < 600; ++second) {
        if (second >= 300 && second < 400) {
            continue;
        }
        if (second >= 500 && second < 530) {
            continue;
        }
        LogReading reading;
        reading.pcUnixMicros = kStart + second * kSecond;
        reading.hasOffset = true;
        reading.offsetSeconds = (second % 7) * 1e-4; // a saw tooth within each column
        reading.uncertaintySeconds = 5e-5f;
        reading.gps = second == 100 || second == 101 ? LampState::Off : LampState::On;
        reading.startsRun = second == 0 || second == 400;
        readings.push_back(reading);
    }
    return readings;
}

ChartPlan PlanTenMinutesIn(const ChartFrame& frame) {
    const std::vector<LogReading> readings = TenMinutes();
    return PlanChart({.readings = readings,
                      .endMicros = kStart + 600 * kSecond,
                      .span = ChartSpan::TenMinutes,
                      .frame = frame});
}

ChartPlan PlanTenMinutes() {
    return PlanTenMinutesIn({kArea});
}

TEST(ChartPlan, LinesBreakAtGapsAndFoldToTwoPointsAColumn) {
    const ChartPlan plan = PlanTenMinutes();
    EXPECT_EQ(plan.plot, (PixelRect{10, 20, 100, 200}));
    ASSERT_EQ(plan.offsetLines.size(), 3u);
    ASSERT_EQ(plan.bands.size(), 3u);
    const std::pair<int, int> runColumns[] = {{0, 49}, {66, 83}, {88, 99}};
    for (std::size_t run = 0; run < 3; ++run) {
        std::map<int, int> pointsPerX;
        for (const PixelPoint& point : plan.offsetLines[run]) {
            ++pointsPerX[point.x];
            EXPECT_GE(point.y, plan.plot.y);
            EXPECT_LT(point.y, plan.plot.y + plan.plot.height);
        }
        EXPECT_EQ(pointsPerX.begin()->first, kArea.x + runColumns[run].first) << run;
        EXPECT_EQ(pointsPerX.rbegin()->first, kArea.x + runColumns[run].second) << run;
        for (const auto& [x, count] : pointsPerX) {
            EXPECT_LE(count, 2) << x;
        }
        EXPECT_EQ(plan.bands[run].size(), pointsPerX.size()) << run;
        for (const BandColumn& column : plan.bands[run]) {
            EXPECT_LT(column.top, column.bottom);
        }
    }
    // The value axis runs bottom to top over the plot.
    ASSERT_FALSE(plan.valueTicks.empty());
    EXPECT_EQ(plan.valueTicks.front().y, plan.plot.y + plan.plot.height - 1);
    EXPECT_EQ(plan.valueTicks.back().y, plan.plot.y);
    EXPECT_EQ(plan.unit, "\xC2\xB5s");
}

TEST(ChartPlan, StripsHoldEachStateUntilTheNextReadingOfItsRun) {
    const ChartPlan plan = PlanTenMinutes();
    const std::vector<StripRun> expected = {
        {10, 26, LampState::On},      {26, 27, LampState::Off}, {27, 60, LampState::On},
        {60, 76, LampState::Unknown}, {76, 94, LampState::On},  {94, 98, LampState::Unknown},
        {98, 110, LampState::On},
    };
    EXPECT_EQ(plan.gpsRuns, expected);
    EXPECT_EQ(plan.syncRuns, (std::vector<StripRun>{{10, 110, LampState::Unknown}}));
}

TEST(ChartPlan, TimeTicksFallOnRoundLocalTimes) {
    struct Row {
        ChartSpan span;
        int width;
        int utcOffsetSeconds;
        std::vector<std::string> labels;
    };
    const Row rows[] = {
        {ChartSpan::TenMinutes, 100, 3600, {"23:10"}},
        {ChartSpan::OneHour, 400, 0, {"21:15", "21:30", "21:45", "22:00"}},
        {ChartSpan::OneDay,
         800,
         -5 * 3600,
         {"18:00", "21:00", "00:00", "03:00", "06:00", "09:00", "12:00", "15:00"}},
    };
    for (const Row& row : rows) {
        const ChartPlan plan = PlanChart({.readings = {},
                                          .endMicros = kStart,
                                          .span = row.span,
                                          .frame = {{0, 0, row.width, 100}},
                                          .utcOffsetSeconds = row.utcOffsetSeconds});
        std::vector<std::string> labels;
        for (const TimeTick& tick : plan.timeTicks) {
            labels.push_back(tick.label);
            EXPECT_EQ(tick.x, (tick.utcMicros - plan.fromMicros) * row.width / SpanMicros(row.span));
        }
        EXPECT_EQ(labels, row.labels) << row.width;
    }
}

// A device a day off: the labels in seconds have eleven characters, not the usual seven.
TEST(ChartPlan, ValueLabelsWiderThanTheUsualGetTheirRoom) {
    std::vector<LogReading> readings = TenMinutes();
    for (LogReading& reading : readings) {
        reading.offsetSeconds -= 86438.593;
    }
    const auto planFor = [&readings](const ChartFrame& frame) {
        return PlanChart({.readings = readings,
                          .endMicros = kStart + 600 * kSecond,
                          .span = ChartSpan::TenMinutes,
                          .frame = frame});
    };
    constexpr int kCharWidth = 6;
    const auto labelWidth = [](const std::string& label) {
        return static_cast<int>(label.size()) * kCharWidth;
    };
    const ChartLabelRoom usual{7 * kCharWidth, 5 * kCharWidth, 13};

    const ChartPlan plan = PlanWithLabelsFitted(planFor, 400, 250, usual, labelWidth);
    ASSERT_FALSE(plan.valueTicks.empty());
    for (const ValueTick& tick : plan.valueTicks) {
        EXPECT_GE(plan.plot.x - kChartTickLength - kChartLabelGap - labelWidth(tick.label), 0) << tick.label;
    }
    EXPECT_EQ(PlanWithLabelsFitted(PlanTenMinutesIn, 400, 250, usual, labelWidth).plot.x,
              ChartFrameInside(400, 250, usual).area.x);
}

// The strips' labels, wider than the value labels, get their room on the left, and each strip is as tall
// as the line of its label.
TEST(ChartPlan, StripsAreAsTallAsTheirLabelsWhichHaveTheirRoomOnTheLeft) {
    const ChartLabelRoom room{30, 30, 13, 55};
    const ChartPlan plan =
        PlanWithLabelsFitted(PlanTenMinutesIn, 400, 250, room, [](const std::string&) { return 30; });
    EXPECT_EQ(plan.plot.x, 55 + 2 * kChartLabelGap);
    EXPECT_EQ(plan.gpsStrip.height, 13);
    EXPECT_EQ(plan.syncStrip.y, plan.gpsStrip.y + 13 + kStripGap);
    EXPECT_EQ(plan.syncStrip.y + plan.syncStrip.height,
              ChartFrameInside(400, 250, room).area.y + ChartFrameInside(400, 250, room).area.height);
}

} // namespace
