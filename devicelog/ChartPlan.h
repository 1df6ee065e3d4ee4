#pragma once

#include "LogReading.h"

#include "resources/DialogUnits.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// The time windows the chart shows, each ending now.
enum class ChartSpan { TenMinutes, OneHour, OneDay };

std::int64_t SpanMicros(ChartSpan span);

// Colours of the lamp strips, as 0xRRGGBB: the lamps' own green and red, grey while not known.
inline constexpr std::uint32_t kStripOn = 0x00A000;
inline constexpr std::uint32_t kStripOff = 0xE00000;
inline constexpr std::uint32_t kStripUnknown = 0xC0C0C0;

std::uint32_t StripColour(LampState state);

// Colours of the offset's line, its band and the grid at the ticks.
inline constexpr std::uint32_t kChartLine = 0x0000A0;
inline constexpr std::uint32_t kChartBand = 0xA0B0E0;
inline constexpr std::uint32_t kChartGrid = 0xE0E0E0;

// The least height of each lamp strip, and the space above it, in pixels.
inline constexpr int kStripHeight = 6;
inline constexpr int kStripGap = 2;

// Where a chart goes: the whole of it, the offset above and the lamp strips at its foot (at most 16384
// wide), and how tall each strip is (as its label, beside it).
struct ChartFrame {
    PixelRect area;
    int stripHeight = kStripHeight;
};

struct ChartInput {
    std::span<const LogReading> readings; // oldest first; those outside the window are left out
    std::int64_t endMicros = 0;           // now, on this PC's clock (UTC)
    ChartSpan span = ChartSpan::OneHour;
    ChartFrame frame{};       // PlanLabelledChart leaves room for the labels itself
    int utcOffsetSeconds = 0; // this PC's time zone now, for the time labels
};

struct PixelPoint {
    int x;
    int y;

    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// The uncertainty band in one pixel column, from top to bottom, both included.
struct BandColumn {
    int x;
    int top;
    int bottom;

    friend bool operator==(const BandColumn&, const BandColumn&) = default;
};

// Pixels left to right (right excluded) where a lamp was in one state.
struct StripRun {
    int left;
    int right;
    LampState state;

    friend bool operator==(const StripRun&, const StripRun&) = default;
};

struct ValueTick {
    int y;
    double seconds;
    std::string label; // in the plan's unit, without it: "-2.5"
};

struct TimeTick {
    int x;
    std::int64_t utcMicros;
    std::string label; // local "HH:MM"
};

// A horizontal or vertical line of pixels, both ends included.
struct PixelSegment {
    PixelPoint from;
    PixelPoint to;

    friend bool operator==(const PixelSegment&, const PixelSegment&) = default;
};

// A text of the chart in the cell it is drawn in: the top left of its line, as wide as the text and as
// tall as a line of the front end's font.
struct ChartLabel {
    std::string text;
    PixelRect cell;
};

// What the chart paints, in pixels; a front end only draws it. Each run of readings (a connection, with
// no reading missing for long) is a line and a band of its own, so nothing is drawn across a gap.
struct ChartPlan {
    PixelRect plot; // where the offset is drawn
    PixelRect gpsStrip;
    PixelRect syncStrip;
    std::int64_t fromMicros = 0;
    std::int64_t toMicros = 0;
    double lowSeconds = 0; // the value axis, at the plot's bottom and top
    double highSeconds = 0;
    std::string unit;                  // "µs", "ms" or "s" (UTF-8)
    std::vector<ValueTick> valueTicks; // bottom to top
    std::vector<TimeTick> timeTicks;   // left to right
    // At most one low and one high point per pixel column, in the order the offset moved.
    std::vector<std::vector<PixelPoint>> offsetLines;
    std::vector<std::vector<BandColumn>> bands;
    std::vector<StripRun> gpsRuns; // cover the strip, left to right
    std::vector<StripRun> syncRuns;
    // Around the plot, placed for a front end's font (ChartLabels.h): the grid across the plot at each
    // tick, the tick marks outside it, and every text.
    std::vector<PixelSegment> gridLines;
    std::vector<PixelSegment> tickMarks;
    std::vector<ChartLabel> labels;
};

// Room a front end leaves around the chart for its labels, in pixels of its font: the value labels and
// their ticks on the left, and there too the strips' labels (GPS lock, time sync) level with their strips,
// as tall as a line; the unit above, the time labels below, half a time label on the right.
struct ChartLabelRoom {
    int valueLabelWidth = 0; // the widest value label
    int timeLabelWidth = 0;
    int lineHeight = 0;
    int stripLabelWidth = 0; // the wider of the strips' labels
};

inline constexpr int kChartTickLength = 4;
inline constexpr int kChartLabelGap = 2;

// The frame of a chart drawn in a control of width by height pixels with room for its labels.
ChartFrame ChartFrameInside(int width, int height, const ChartLabelRoom& room);

// The plan for a chart of width by height pixels whose value labels all fit left of its plot: planned
// for room first, and once more for the widest value label of that plan where it needs more (an offset
// of a day in seconds has more digits than a front end's usual widest label). labelWidth measures a
// label in the front end's font.
ChartPlan PlanWithLabelsFitted(const std::function<ChartPlan(const ChartFrame& frame)>& planFor, int width,
                               int height, ChartLabelRoom room,
                               const std::function<int(const std::string& label)>& labelWidth);

// The plan of one repaint of the chart.
ChartPlan PlanChart(const ChartInput& input);
