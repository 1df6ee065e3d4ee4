#pragma once

#include "devicelog/ChartLabels.h"
#include "devicelog/ChartPlan.h"

#include <windows.h>

#include <functional>
#include <optional>

// The window class of the device log's chart, as the dialog template names it.
inline constexpr const wchar_t* kChartClassName = L"VantrexChart";

// What the chart paints: the plan for its client size and the dialog's font, and nothing of its own making.
using ChartPlanSource = std::function<ChartPlan(int width, int height, const ChartFont& font)>;

// Registers the chart's window class in instance, once, before a dialog with a chart is created; false
// when the system refuses it.
bool RegisterChartClass(HINSTANCE instance);

// Gives the chart window its plan source, which must outlive the window; without one it stays empty.
void SetChartPlanSource(HWND chart, const ChartPlanSource* source);
// The plan the chart would paint now; nothing before it has a plan source.
std::optional<ChartPlan> CurrentChartPlan(HWND chart);
