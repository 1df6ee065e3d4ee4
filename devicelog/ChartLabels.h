#pragma once

#include "ChartPlan.h"

#include <array>
#include <functional>
#include <string>

// How a front end's font measures the chart's texts, in pixels.
struct ChartFont {
    int lineHeight = 0;
    std::function<int(const std::string& text)> width;
};

// The captions of the lamp strips, top to bottom: GPS lock, time sync.
using ChartStripLabels = std::array<std::string, 2>;

// The plan of input's chart in a control of width by height pixels, with room left for the labels in
// font (input's frame is the room's), and the grid, the tick marks and every label placed: each value
// label left of its tick mark and centred on it, each time label under the strips and centred on its
// tick, the unit above the value labels, each strip's caption left of it and level with it.
ChartPlan PlanLabelledChart(ChartInput input, int width, int height, const ChartFont& font,
                            const ChartStripLabels& stripLabels);
