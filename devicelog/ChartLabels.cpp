#include "ChartLabels.h"

#include <algorithm>
#include <utility>

namespace {

// A value of the axis's widest usual kind and a time of day: what the labels mostly need.
constexpr const char* kUsualValueLabel = "-888.88";
constexpr const char* kUsualTimeLabel = "88:88";

ChartLabelRoom UsualRoom(const ChartFont& font, const ChartStripLabels& stripLabels) {
    int stripLabelWidth = 0;
    for (const std::string& label : stripLabels) {
        stripLabelWidth = std::max(stripLabelWidth, font.width(label));
    }
    return ChartLabelRoom{font.width(kUsualValueLabel), font.width(kUsualTimeLabel), font.lineHeight,
                          stripLabelWidth};
}

int Bottom(const PixelRect& rect) {
    return rect.y + rect.height;
}

void AddGrid(ChartPlan& plan) {
    const PixelRect& plot = plan.plot;
    for (const ValueTick& tick : plan.valueTicks) {
        plan.gridLines.push_back({{plot.x, tick.y}, {plot.x + plot.width - 1, tick.y}});
        plan.tickMarks.push_back({{plot.x - kChartTickLength, tick.y}, {plot.x - 1, tick.y}});
    }
    for (const TimeTick& tick : plan.timeTicks) {
        plan.gridLines.push_back({{tick.x, plot.y}, {tick.x, Bottom(plot) - 1}});
        plan.tickMarks.push_back({{tick.x, Bottom(plot)}, {tick.x, Bottom(plot) + kChartTickLength - 1}});
    }
}

// A label of text whose line starts at x, y.
ChartLabel LabelAt(std::string text, int x, int y, int width, const ChartFont& font) {
    return ChartLabel{std::move(text), PixelRect{x, y, width, font.lineHeight}};
}

// A label ending at right, its line starting at top.
ChartLabel LabelEndingAt(std::string text, int right, int top, const ChartFont& font) {
    const int width = font.width(text);
    return LabelAt(std::move(text), right - width, top, width, font);
}

void AddLabels(ChartPlan& plan, const ChartFont& font, const ChartStripLabels& stripLabels) {
    const PixelRect& plot = plan.plot;
    for (const ValueTick& tick : plan.valueTicks) {
        plan.labels.push_back(LabelEndingAt(tick.label, plot.x - kChartTickLength - kChartLabelGap,
                                            tick.y - font.lineHeight / 2, font));
    }
    const int timeTop = Bottom(plan.syncStrip) + kChartLabelGap;
    for (const TimeTick& tick : plan.timeTicks) {
        const int width = font.width(tick.label);
        plan.labels.push_back(LabelAt(tick.label, tick.x - width / 2, timeTop, width, font));
    }
    plan.labels.push_back(LabelAt(plan.unit, kChartLabelGap, plot.y - kChartLabelGap - font.lineHeight,
                                  font.width(plan.unit), font));
    const PixelRect* strips[] = {&plan.gpsStrip, &plan.syncStrip};
    for (std::size_t index = 0; index < stripLabels.size(); ++index) {
        const PixelRect& strip = *strips[index];
        plan.labels.push_back(LabelEndingAt(stripLabels[index], plot.x - kChartLabelGap,
                                            strip.y + (strip.height - font.lineHeight) / 2, font));
    }
}

} // namespace

ChartPlan PlanLabelledChart(ChartInput input, int width, int height, const ChartFont& font,
                            const ChartStripLabels& stripLabels) {
    ChartPlan plan = PlanWithLabelsFitted(
        [&input](const ChartFrame& frame) {
            input.frame = frame;
            return PlanChart(input);
        },
        width, height, UsualRoom(font, stripLabels), font.width);
    AddGrid(plan);
    AddLabels(plan, font, stripLabels);
    return plan;
}
