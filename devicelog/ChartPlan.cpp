#include "ChartPlan.h"

#include "ChartAxes.h"
#include "runtime/TimeUnits.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr int kValueTickPixels = 40;
constexpr int kTimeTickPixels = 80;
// The link reads the clock every second or two; a longer silence is a connection that stalled.
constexpr std::int64_t kLongestPauseMicros = 10 * kMicrosPerSecond;
// Far wider than any screen; it keeps the arithmetic of times and columns and the strips' memory bounded.
constexpr int kWidestPlot = 16384;
// An axis for a window without offsets, so that the plot still has a scale.
constexpr double kEmptyRangeSeconds = 1e-3;

// Where times and values land in the plot.
class CChartMapping {
public:
    CChartMapping(const PixelRect& plot, std::int64_t fromMicros, std::int64_t spanMicros,
                  const ValueAxis& axis)
        : m_plot(plot), m_from(fromMicros), m_span(spanMicros), m_axis(axis) {}

    // The pixel column of a time in the window, from 0 to the plot's width less one.
    int Column(std::int64_t micros) const {
        const std::int64_t column = (micros - m_from) * m_plot.width / m_span;
        return static_cast<int>(std::clamp<std::int64_t>(column, 0, std::max(m_plot.width - 1, 0)));
    }
    int X(int column) const { return m_plot.x + column; }
    int Y(double seconds) const {
        const int rows = std::max(m_plot.height - 1, 0);
        const double share = (seconds - m_axis.lowSeconds) / (m_axis.highSeconds - m_axis.lowSeconds);
        const int up = static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * rows));
        return m_plot.y + rows - up;
    }

private:
    PixelRect m_plot;
    std::int64_t m_from;
    std::int64_t m_span;
    ValueAxis m_axis;
};

bool Continues(const LogReading& previous, const LogReading& next) {
    return !next.startsRun && next.pcUnixMicros - previous.pcUnixMicros <= kLongestPauseMicros;
}

// The offsets of one pixel column of one run.
struct ColumnValues {
    int column;
    double first;
    double last;
    double least;
    double most;
    double bandLow;
    double bandHigh;
};

// Folds each run into at most two points and one band column per pixel column.
class CLineFolder {
public:
    CLineFolder(const CChartMapping& mapping, ChartPlan& plan) : m_mapping(mapping), m_plan(plan) {}

    void Add(const LogReading& reading) {
        const int column = m_mapping.Column(reading.pcUnixMicros);
        const double offset = reading.offsetSeconds;
        const double low = offset - reading.uncertaintySeconds;
        const double high = offset + reading.uncertaintySeconds;
        if (m_values && m_values->column != column) {
            FlushColumn();
        }
        if (!m_values) {
            m_values = ColumnValues{column, offset, offset, offset, offset, low, high};
            return;
        }
        m_values->last = offset;
        m_values->least = std::min(m_values->least, offset);
        m_values->most = std::max(m_values->most, offset);
        m_values->bandLow = std::min(m_values->bandLow, low);
        m_values->bandHigh = std::max(m_values->bandHigh, high);
    }

    void EndRun() {
        FlushColumn();
        if (!m_line.empty()) {
            m_plan.offsetLines.push_back(std::move(m_line));
            m_plan.bands.push_back(std::move(m_band));
        }
        m_line.clear();
        m_band.clear();
    }

private:
    void FlushColumn() {
        if (!m_values) {
            return;
        }
        const int x = m_mapping.X(m_values->column);
        // The pair in the order the offset went, so that the line from the column before joins the
        // value it came from.
        const bool rising = m_values->first <= m_values->last;
        const int from = m_mapping.Y(rising ? m_values->least : m_values->most);
        const int to = m_mapping.Y(rising ? m_values->most : m_values->least);
        m_line.push_back({x, from});
        if (to != from) {
            m_line.push_back({x, to});
        }
        m_band.push_back({x, m_mapping.Y(m_values->bandHigh), m_mapping.Y(m_values->bandLow)});
        m_values.reset();
    }

    const CChartMapping& m_mapping;
    ChartPlan& m_plan;
    std::optional<ColumnValues> m_values;
    std::vector<PixelPoint> m_line;
    std::vector<BandColumn> m_band;
};

// A lamp that went out within a column shows out: a short loss must not vanish in a day's view.
int Weight(LampState state) {
    switch (state) {
    case LampState::Unknown:
        return 0;
    case LampState::On:
        return 1;
    case LampState::Off:
        break;
    }
    return 2;
}

// Each reading holds its lamp's state until the next one of its run, or for its own column.
std::vector<StripRun> Strip(std::span<const LogReading> readings, LampState LogReading::*lamp,
                            const CChartMapping& mapping, int width) {
    std::vector<LampState> columns(static_cast<std::size_t>(std::max(width, 0)), LampState::Unknown);
    for (std::size_t index = 0; index < readings.size() && width > 0; ++index) {
        const LogReading& reading = readings[index];
        const int first = mapping.Column(reading.pcUnixMicros);
        const bool held = index + 1 < readings.size() && Continues(reading, readings[index + 1]);
        const int end = std::max(held ? mapping.Column(readings[index + 1].pcUnixMicros) : 0, first + 1);
        for (int column = first; column < end; ++column) {
            LampState& shown = columns[static_cast<std::size_t>(column)];
            shown = Weight(reading.*lamp) > Weight(shown) ? reading.*lamp : shown;
        }
    }
    std::vector<StripRun> runs;
    for (int column = 0; column < width; ++column) {
        const LampState state = columns[static_cast<std::size_t>(column)];
        if (runs.empty() || runs.back().state != state) {
            runs.push_back({mapping.X(column), mapping.X(column), state});
        }
        runs.back().right = mapping.X(column) + 1;
    }
    return runs;
}

ValueAxis AxisFor(std::span<const LogReading> readings, int height) {
    double least = 0;
    double most = 0;
    bool any = false;
    for (const LogReading& reading : readings) {
        if (!reading.hasOffset) {
            continue;
        }
        const double low = reading.offsetSeconds - reading.uncertaintySeconds;
        const double high = reading.offsetSeconds + reading.uncertaintySeconds;
        least = any ? std::min(least, low) : low;
        most = any ? std::max(most, high) : high;
        any = true;
    }
    if (!any) {
        least = -kEmptyRangeSeconds;
        most = kEmptyRangeSeconds;
    }
    return NiceValueAxis(least, most, height / kValueTickPixels);
}

void LayOut(const ChartFrame& frame, ChartPlan& plan) {
    const PixelRect& area = frame.area;
    const int strip = std::max(frame.stripHeight, kStripHeight);
    // Strips as tall as their labels keep the lowest value label, level with the plot's foot, off the
    // first of them.
    const int gapAbove = strip > kStripHeight ? strip / 2 : kStripGap;
    const int strips = gapAbove + strip + kStripGap + strip;
    plan.plot = {area.x, area.y, std::clamp(area.width, 0, kWidestPlot), std::max(area.height - strips, 0)};
    plan.gpsStrip = {area.x, plan.plot.y + plan.plot.height + gapAbove, plan.plot.width, strip};
    plan.syncStrip = {area.x, plan.gpsStrip.y + strip + kStripGap, plan.plot.width, strip};
}

void PlanTimeTicks(const ChartInput& input, const CChartMapping& mapping, ChartPlan& plan) {
    const std::int64_t spanSeconds = SpanMicros(input.span) / kMicrosPerSecond;
    const std::int64_t step = TimeStepSeconds(spanSeconds, plan.plot.width, kTimeTickPixels);
    // Ticks fall on round times of the local clock.
    const std::int64_t fromLocal = plan.fromMicros / kMicrosPerSecond + input.utcOffsetSeconds;
    const std::int64_t toLocal = plan.toMicros / kMicrosPerSecond + input.utcOffsetSeconds;
    for (std::int64_t local = (fromLocal / step + 1) * step; local <= toLocal; local += step) {
        const std::int64_t utcMicros = (local - input.utcOffsetSeconds) * kMicrosPerSecond;
        plan.timeTicks.push_back({mapping.X(mapping.Column(utcMicros)), utcMicros, ClockLabel(local)});
    }
}

} // namespace

std::int64_t SpanMicros(ChartSpan span) {
    switch (span) {
    case ChartSpan::TenMinutes:
        return 600 * kMicrosPerSecond;
    case ChartSpan::OneHour:
        return 3600 * kMicrosPerSecond;
    case ChartSpan::OneDay:
        break;
    }
    return 86400 * kMicrosPerSecond;
}

std::uint32_t StripColour(LampState state) {
    switch (state) {
    case LampState::On:
        return kStripOn;
    case LampState::Off:
        return kStripOff;
    case LampState::Unknown:
        break;
    }
    return kStripUnknown;
}

ChartPlan PlanChart(const ChartInput& input) {
    ChartPlan plan;
    LayOut(input.frame, plan);
    plan.toMicros = input.endMicros;
    plan.fromMicros = input.endMicros - SpanMicros(input.span);
    const auto before = [](const LogReading& reading, std::int64_t micros) {
        return reading.pcUnixMicros < micros;
    };
    const auto first =
        std::lower_bound(input.readings.begin(), input.readings.end(), plan.fromMicros, before);
    const auto last = std::lower_bound(first, input.readings.end(), plan.toMicros + 1, before);
    const std::span<const LogReading> readings(first, last);

    const ValueAxis axis = AxisFor(readings, plan.plot.height);
    plan.lowSeconds = axis.lowSeconds;
    plan.highSeconds = axis.highSeconds;
    plan.unit = axis.unit;
    const CChartMapping mapping(plan.plot, plan.fromMicros, SpanMicros(input.span), axis);
    for (const double value : TickValues(axis)) {
        plan.valueTicks.push_back({mapping.Y(value), value, ValueLabel(axis, value)});
    }
    PlanTimeTicks(input, mapping, plan);

    CLineFolder folder(mapping, plan);
    for (std::size_t index = 0; index < readings.size(); ++index) {
        if (index > 0 && !Continues(readings[index - 1], readings[index])) {
            folder.EndRun();
        }
        if (readings[index].hasOffset) {
            folder.Add(readings[index]);
        }
    }
    folder.EndRun();
    plan.gpsRuns = Strip(readings, &LogReading::gps, mapping, plan.plot.width);
    plan.syncRuns = Strip(readings, &LogReading::timeSync, mapping, plan.plot.width);
    return plan;
}

ChartFrame ChartFrameInside(int width, int height, const ChartLabelRoom& room) {
    const int left =
        std::max(room.valueLabelWidth + kChartTickLength, room.stripLabelWidth) + 2 * kChartLabelGap;
    const int top = room.lineHeight + kChartLabelGap;
    const int bottom = room.lineHeight + 2 * kChartLabelGap;
    const int right = room.timeLabelWidth / 2 + kChartLabelGap;
    return ChartFrame{
        PixelRect{left, top, std::max(width - left - right, 0), std::max(height - top - bottom, 0)},
        std::max(room.lineHeight, kStripHeight)};
}

ChartPlan PlanWithLabelsFitted(const std::function<ChartPlan(const ChartFrame& frame)>& planFor, int width,
                               int height, ChartLabelRoom room,
                               const std::function<int(const std::string& label)>& labelWidth) {
    ChartPlan plan = planFor(ChartFrameInside(width, height, room));
    int widest = 0;
    for (const ValueTick& tick : plan.valueTicks) {
        widest = std::max(widest, labelWidth(tick.label));
    }
    if (widest <= room.valueLabelWidth) {
        return plan;
    }
    room.valueLabelWidth = widest;
    return planFor(ChartFrameInside(width, height, room));
}
