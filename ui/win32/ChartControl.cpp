#include "ChartControl.h"

#include "GdiObject.h"
#include "SelectedFont.h"
#include "WideText.h"
#include "resources/StringTable.h"
#include "ui/DeviceLogRows.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

COLORREF Colour(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// The same usual widest labels as every front end: a value of the axis's widest kind, a time of day,
// and the strips' own.
ChartLabelRoom LabelRoom(HDC dc) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    int stripLabelWidth = 0;
    for (const int label : kChartStripLabels) {
        stripLabelWidth = std::max(stripLabelWidth, TextWidth(dc, Widen(LoadStringResource(label))));
    }
    return ChartLabelRoom{TextWidth(dc, L"-888.88"), TextWidth(dc, L"88:88"), metrics.tmHeight,
                          stripLabelWidth};
}

// Each strip's label left of it, level with it.
void PaintStripLabels(HDC dc, const ChartPlan& plan) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SetBkMode(dc, TRANSPARENT);
    const PixelRect* strips[] = {&plan.gpsStrip, &plan.syncStrip};
    for (std::size_t index = 0; index < kChartStripLabels.size(); ++index) {
        const std::wstring label = Widen(LoadStringResource(kChartStripLabels[index]));
        const PixelRect& strip = *strips[index];
        TextOutW(dc, plan.plot.x - kChartLabelGap - TextWidth(dc, label),
                 strip.y + (strip.height - metrics.tmHeight) / 2, label.c_str(),
                 static_cast<int>(label.size()));
    }
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void PaintBands(HDC dc, const ChartPlan& plan) {
    CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, Colour(kChartBand)));
    const HGDIOBJ previous = SelectObject(dc, pen.Get());
    for (const std::vector<BandColumn>& band : plan.bands) {
        for (const BandColumn& column : band) {
            Line(dc, column.x, column.top, column.x, column.bottom + 1); // LineTo leaves its end out
        }
    }
    SelectObject(dc, previous);
}

// A run of one point is a dot, so that the first reading of a connection shows at once.
void PaintLines(HDC dc, const ChartPlan& plan) {
    CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, Colour(kChartLine)));
    const HGDIOBJ previous = SelectObject(dc, pen.Get());
    for (const std::vector<PixelPoint>& line : plan.offsetLines) {
        if (line.size() == 1) {
            SetPixel(dc, line.front().x, line.front().y, Colour(kChartLine));
            continue;
        }
        std::vector<POINT> points;
        points.reserve(line.size());
        for (const PixelPoint& point : line) {
            points.push_back(POINT{point.x, point.y});
        }
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    }
    SelectObject(dc, previous);
}

void PaintStrip(HDC dc, const PixelRect& strip, const std::vector<StripRun>& runs) {
    for (const StripRun& run : runs) {
        CGdiObject<HBRUSH> brush(CreateSolidBrush(Colour(StripColour(run.state))));
        const RECT rect{run.left, strip.y, run.right, strip.y + strip.height};
        FillRect(dc, &rect, brush.Get());
    }
}

void PaintAxes(HDC dc, const ChartPlan& plan) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    CGdiObject<HPEN> grid(CreatePen(PS_SOLID, 1, Colour(kChartGrid)));
    const HGDIOBJ previous = SelectObject(dc, grid.Get());
    const int right = plan.plot.x + plan.plot.width;
    const int bottom = plan.plot.y + plan.plot.height;
    for (const ValueTick& tick : plan.valueTicks) {
        Line(dc, plan.plot.x, tick.y, right, tick.y);
    }
    for (const TimeTick& tick : plan.timeTicks) {
        Line(dc, tick.x, plan.plot.y, tick.x, bottom);
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SetBkMode(dc, TRANSPARENT);
    for (const ValueTick& tick : plan.valueTicks) {
        Line(dc, plan.plot.x - kChartTickLength, tick.y, plan.plot.x, tick.y);
        const std::wstring label = Widen(tick.label);
        TextOutW(dc, plan.plot.x - kChartTickLength - kChartLabelGap - TextWidth(dc, label),
                 tick.y - metrics.tmHeight / 2, label.c_str(), static_cast<int>(label.size()));
    }
    const int labelTop = plan.syncStrip.y + plan.syncStrip.height + kChartLabelGap;
    for (const TimeTick& tick : plan.timeTicks) {
        Line(dc, tick.x, bottom, tick.x, bottom + kChartTickLength);
        const std::wstring label = Widen(tick.label);
        TextOutW(dc, tick.x - TextWidth(dc, label) / 2, labelTop, label.c_str(),
                 static_cast<int>(label.size()));
    }
    const std::wstring unit = Widen(plan.unit);
    TextOutW(dc, kChartLabelGap, plan.plot.y - kChartLabelGap - metrics.tmHeight, unit.c_str(),
             static_cast<int>(unit.size()));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plan.plot.x, plan.plot.y, right, bottom);
    SelectObject(dc, previous);
}

// The plan for the chart's client area, its labels measured in dc; nothing without a plan source.
std::optional<ChartPlan> PlanIn(HWND chart, HDC dc) {
    const auto* source = reinterpret_cast<const ChartPlanSource*>(GetWindowLongPtrW(chart, GWLP_USERDATA));
    if (source == nullptr || !*source) {
        return std::nullopt;
    }
    RECT client;
    GetClientRect(chart, &client);
    return PlanWithLabelsFitted(*source, client.right, client.bottom, LabelRoom(dc),
                                [dc](const std::string& label) { return TextWidth(dc, Widen(label)); });
}

void Paint(HWND chart) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(chart, &paint);
    // The dialog's font, which the dialog manager gave the control.
    const CSelectedFont font(dc, GetParent(chart));
    if (const std::optional<ChartPlan> plan = PlanIn(chart, dc)) {
        PaintAxes(dc, *plan);
        PaintBands(dc, *plan);
        PaintLines(dc, *plan);
        PaintStrip(dc, plan->gpsStrip, plan->gpsRuns);
        PaintStrip(dc, plan->syncStrip, plan->syncRuns);
        PaintStripLabels(dc, *plan);
    }
    EndPaint(chart, &paint);
}

LRESULT CALLBACK ChartProc(HWND chart, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        Paint(chart);
        return 0;
    }
    return DefWindowProcW(chart, message, wParam, lParam);
}

} // namespace

bool RegisterChartClass(HINSTANCE instance) {
    WNDCLASSEXW chartClass{};
    if (GetClassInfoExW(instance, kChartClassName, &chartClass)) {
        return true;
    }
    chartClass.cbSize = sizeof chartClass;
    chartClass.style = CS_HREDRAW | CS_VREDRAW;
    chartClass.lpfnWndProc = ChartProc;
    chartClass.hInstance = instance;
    chartClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    chartClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    chartClass.lpszClassName = kChartClassName;
    return RegisterClassExW(&chartClass) != 0;
}

void SetChartPlanSource(HWND chart, const ChartPlanSource* source) {
    SetWindowLongPtrW(chart, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(source));
    InvalidateRect(chart, nullptr, TRUE);
}

std::optional<ChartPlan> CurrentChartPlan(HWND chart) {
    HDC dc = GetDC(chart);
    std::optional<ChartPlan> plan;
    {
        const CSelectedFont font(dc, GetParent(chart));
        plan = PlanIn(chart, dc);
    }
    ReleaseDC(chart, dc);
    return plan;
}
