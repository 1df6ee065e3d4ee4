#include "ChartControl.h"

#include "GdiObject.h"
#include "SelectedFont.h"
#include "WideText.h"

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

void PaintLabels(HDC dc, const ChartPlan& plan) {
    SetBkMode(dc, TRANSPARENT);
    for (const ChartLabel& label : plan.labels) {
        const std::wstring text = Widen(label.text);
        TextOutW(dc, label.cell.x, label.cell.y, text.c_str(), static_cast<int>(text.size()));
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

int Towards(int from, int to) {
    return to > from ? 1 : (to < from ? -1 : 0);
}

// LineTo leaves its end out: the line goes one pixel further, and a segment of one pixel is a dot.
void PaintSegments(HDC dc, const std::vector<PixelSegment>& segments, COLORREF colour) {
    CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    const HGDIOBJ previous = SelectObject(dc, pen.Get());
    for (const PixelSegment& segment : segments) {
        const int stepX = Towards(segment.from.x, segment.to.x);
        const int stepY =
            stepX == 0 && segment.from.y == segment.to.y ? 1 : Towards(segment.from.y, segment.to.y);
        Line(dc, segment.from.x, segment.from.y, segment.to.x + stepX, segment.to.y + stepY);
    }
    SelectObject(dc, previous);
}

void PaintFrame(HDC dc, const PixelRect& plot) {
    const HGDIOBJ previousPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    const HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plot.x, plot.y, plot.x + plot.width, plot.y + plot.height);
    SelectObject(dc, previousBrush);
    SelectObject(dc, previousPen);
}

// The plan for the chart's client area, its labels measured in dc; nothing without a plan source.
std::optional<ChartPlan> PlanIn(HWND chart, HDC dc) {
    const auto* source = reinterpret_cast<const ChartPlanSource*>(GetWindowLongPtrW(chart, GWLP_USERDATA));
    if (source == nullptr || !*source) {
        return std::nullopt;
    }
    RECT client;
    GetClientRect(chart, &client);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return (*source)(client.right, client.bottom, ChartFont{metrics.tmHeight, [dc](const std::string& text) {
                                                                return TextWidth(dc, Widen(text));
                                                            }});
}

void Paint(HWND chart) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(chart, &paint);
    // The dialog's font, which the dialog manager gave the control.
    const CSelectedFont font(dc, GetParent(chart));
    if (const std::optional<ChartPlan> plan = PlanIn(chart, dc)) {
        PaintSegments(dc, plan->gridLines, Colour(kChartGrid));
        PaintSegments(dc, plan->tickMarks, RGB(0, 0, 0));
        PaintBands(dc, *plan);
        PaintLines(dc, *plan);
        PaintStrip(dc, plan->gpsStrip, plan->gpsRuns);
        PaintStrip(dc, plan->syncStrip, plan->syncRuns);
        PaintLabels(dc, *plan);
        PaintFrame(dc, plan->plot);
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
